// Test support on Linux: drive D: is a fresh temporary folder mapped through HostBase's drive table.
#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace yb::test {

void DriveFixture::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "yb-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    hbSetDriveRoot('D', pattern.c_str());
}

void DriveFixture::TearDown() {
    hbSetDriveRoot('D', nullptr);
    hbSetFileFault(0, false);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void setEnvironment(char const* name, char const* value) {
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

bool hostPathsAreMapped() { return true; }

std::optional<int> runInChildProcess(std::function<void()> const& work) {
    pid_t const child = ::fork();
    if (child == 0) {
        work();
        std::_Exit(127);  // `work` was to end the child itself
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace yb::test
