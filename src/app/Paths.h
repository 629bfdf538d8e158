// Where the game reads its data and writes its files.
#pragma once

#include <string>

// The folder of the executable, with a trailing '/'. The archives lie there.
extern std::string AppDir;

// Fixes AppDir from /proc/self/exe, or from dataDir when one is given
// (the --data option).
void InitAppDir(const std::string& dataDir = "");

// Settings go to the config folder, player data, replays and the error trace
// to the data folder; both end in '/'. $ROLLIX_HOME, when set, holds both.
// Otherwise $XDG_CONFIG_HOME/rollix/ and $XDG_DATA_HOME/rollix/, with the
// usual ~/.config and ~/.local/share when those are unset.
std::string UserConfigDir();
std::string UserDataDir();

// Logs the resolved folders, one line each.
void LogFolders();

// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);
