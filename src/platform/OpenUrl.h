// Opening a web address in the user's browser, without a shell.
#pragma once

#include <string>

// Only http and https addresses with no blanks or control characters are
// opened. The address goes to xdg-open as one argument. True when the
// opener was started.
bool OpenWebAddress(const std::string& url);
// Whether OpenWebAddress would accept the address.
bool IsOpenableAddress(const std::string& url);
// Collects finished openers; the event loop calls it now and then.
void ReapOpeners();
