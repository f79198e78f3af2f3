// ybblock info: picks the handler that recognises the file and lets it print.
#include "commands.h"

#include <fstream>

namespace ybblock {

int runInfo(Arguments const& args, std::ostream& out, std::ostream& err) {
    if (args.positional.size() != 1) {
        err << "usage: ybblock info FILE [--limit N] [--image N]\n";
        return 2;
    }
    std::string const& path = args.positional[0];
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        err << "ybblock: cannot open '" << path << "'\n";
        return 1;
    }
    std::string head(64, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    for (auto const& handler : infoHandlers()) {
        if (handler.matches(path, head)) return handler.print(toHost(path), args, out);
    }
    err << "ybblock: '" << path << "' is not a block file this tool knows\n";
    return 1;
}

}  // namespace ybblock
