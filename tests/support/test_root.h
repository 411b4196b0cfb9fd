// A root folder of a test's own under the test output folder, made the program's root ($ULVANE_ROOT).
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

// Makes <test output>/<szName>-XXXXXX and sets $ULVANE_ROOT to it; "" when it cannot be made.
inline std::string MakeTestRoot(const char *szName)
{
    std::string base = std::string(TEST_OUTPUT_DIR) + "/" + szName + "-XXXXXX";
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) return "";
    setenv("ULVANE_ROOT", buf.data(), 1);
    return buf.data();
}
