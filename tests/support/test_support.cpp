#include "test_support.h"

#include "gbk.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace yb::test {

void DriveFixture::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "yb-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    hbSetDriveRoot('D', root_.c_str());
}

void DriveFixture::TearDown() {
    hbSetDriveRoot('D', nullptr);
    hbSetFileFault(0, false);
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string DriveFixture::native(std::string const& relative) const {
    return relative.empty() ? root_ : root_ + "/" + relative;
}

std::vector<unsigned char> DriveFixture::readNative(std::string const& relative) const {
    std::ifstream in(native(relative), std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void DriveFixture::writeNative(std::string const& relative, std::vector<unsigned char> const& bytes) const {
    fs::path path = native(relative);
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool DriveFixture::existsNative(std::string const& relative) const { return fs::exists(native(relative)); }

std::uint64_t DriveFixture::sizeNative(std::string const& relative) const {
    std::error_code ec;
    auto size = fs::file_size(native(relative), ec);
    return ec ? 0 : size;
}

std::vector<std::string> DriveFixture::listNative() const {
    std::vector<std::string> names;
    for (auto const& entry : fs::recursive_directory_iterator(root_))
        names.push_back(fs::relative(entry.path(), root_).generic_string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {
void recordMessage(HbMessageStyle style, char const* gbk, void* user) {
    static_cast<MessageRecorder*>(user)->messages.push_back({style, gbk});
}
}  // namespace

MessageRecorder::MessageRecorder() { hbSetMessageSink(recordMessage, this); }
MessageRecorder::~MessageRecorder() { hbSetMessageSink(nullptr, nullptr); }

std::string hexBytes(char const* hex) {
    std::string out;
    std::string digits;
    for (char const* p = hex; *p; ++p)
        if (*p != ' ') digits += *p;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

std::string utf8ToGbk(std::string const& utf8) { return platform::gbkFromUtf8Literal(utf8); }

std::vector<unsigned char> bytesOf(std::string const& text) { return {text.begin(), text.end()}; }

}  // namespace yb::test
