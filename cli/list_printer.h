// Printing the list view's rows as a table under its column captions.
#pragma once

#include <string>
#include <vector>

#include "platform/memory/headless_dialog.h"

namespace cli {

// Registry texts are in the system code page; terminals and JSON want UTF-8.
std::string Latin1ToUtf8(const std::string& text);
void PrintListRows(const std::vector<plat::memory::HeadlessListView::Row>& rows);

}  // namespace cli
