#pragma once

#include <string>

namespace kr8 {

// A name or data item from the machine as the report shows it. The adware chooses these, so
// each stays on its own line and nothing in it can cut the report short: NULs, carriage returns
// and line feeds are shown as blanks.
std::string ShownInReport(const std::string& hostile);

}  // namespace kr8
