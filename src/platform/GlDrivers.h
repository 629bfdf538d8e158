// Mesa unloads its driver module when the last context goes; what the driver
// keeps for itself then has no module name, and leak reports cannot tell it
// from ours. Keeping the loaded driver modules resident lets them be named
// (the sanitizer suppressions match them by module).
#pragma once

void KeepGlDriversLoaded();
