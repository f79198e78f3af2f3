// Test support on Linux: drive D: is a fresh temporary folder mapped through HostBase's drive table.
#include "test_support.h"

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
    hbSetWriteFault(-1);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string textAsWritten(std::string const& text) { return text; }

void setEnvironment(char const* name, char const* value) {
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

}  // namespace yb::test
