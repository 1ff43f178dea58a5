// Where the game's data files are found. The game names them relative
// ("Graphic/Panel.png", "Sound/Set.wav"); they are looked for in the working
// folder first, then beside the program (the build folder), then in the
// installed data folder, found relative to the program, so the game starts
// from any folder and the installed tree can be moved as a whole.
#pragma once

#include <string>

// The folder that holds the running program, ending in '/', or "" when unknown.
std::string ProgramFolder();
// The path to open for a data file: `path` itself when it is absolute or
// exists from the working folder, else the first of the program's folder and
// the installed data folder that holds it, else `path` as given (its failure
// then names the path the game asked for).
std::string FindDataFile(const std::string& path);
// The folder of the translation catalogues (<folder>/<lang>/LC_MESSAGES/kaziro.mo):
// "locale" beside the program in the build, else the installed one, else "".
std::string FindCatalogueFolder();
