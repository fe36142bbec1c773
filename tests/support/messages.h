// The program's texts, written as they are expected: console lines in English,
// usage text and trace messages in French, Windows-1252 bytes spelt as escapes
// ("\xE9" is e acute; a literal is split after it so no hex digit follows).
// Line ends are "\n" here; consoleText and traceText give the platform's bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace twinscout::e2e::text {

// Console.
inline constexpr std::string_view kUsage =
    "Programme de recherche de fichiers doubles.\n"
    "\n"
    "\n"
    "Utilisation : twinscout /s NomSource [/e Extension] [/d]\n"
    "\n"
    "Options : \n"
    "/s\t Prefixe les sources ou la recherche doit avoir lieue.\n"
    "/e\t Precise les extensions recherchees.\n"
    "/w\t Precise les sources ou la recherche doit etre exlue.\n"
    "/d\t Active le mode debug du programme de recherche.\n"
    "\n"
    "\n";
inline constexpr std::string_view kStart = "Start ...\n";
inline constexpr std::string_view kFinished = "Finished ...\n";
inline constexpr std::string_view kListing = "Listing files in progress ...\n";
inline constexpr std::string_view kChecking = "Checking files in progress ...\n";

inline std::string foundFiles(int count) { return std::to_string(count) + " found files!\n"; }

inline std::string line(std::string_view path) { return std::string(path) + "\n"; }

inline std::string sameFile(std::string_view first, std::string_view second) {
    return std::string(first) + " #### " + std::string(second) + " are the same file\n";
}

// Trace messages of the run itself.
inline constexpr std::string_view kRunStart =
    "*************** Ex\xE9"
    "cution du programme ***************\n";
inline constexpr std::string_view kParameterError =
    "Erreur dans les param\xE8tres pass\xE9s en argument.\n";

inline std::string runEnd(int status) {
    return "*************** Fin de l'ex\xE9"
           "cution du programme - " +
           std::to_string(status) + " ***************\n";
}

// Trace messages of the finder.
inline constexpr std::string_view kConstructorIn = "---> CFinder - Constructeur\n";
inline constexpr std::string_view kConstructorOut = "<--- CFinder - Constructeur\n";
inline constexpr std::string_view kDestructorIn = "---> CFinder - Destructeur\n";
inline constexpr std::string_view kDestructorOut = "<--- CFinder - Destructeur\n";
inline constexpr std::string_view kFindIn = "---> CFinder - find\n";
inline constexpr std::string_view kFindOut = "<--- CFinder - find\n";
inline constexpr std::string_view kAddNewFileIn = "---> CFinder - addNewFile\n";
inline constexpr std::string_view kAddNewFileOut = "<--- CFinder - addNewFile\n";
inline constexpr std::string_view kCompareFilesIn = "---> CFinder - compareFiles\n";
inline constexpr std::string_view kCompareFilesOut = "<--- CFinder - compareFiles\n";
inline constexpr std::string_view kCompareContentIn = "---> CFinder - compareContent\n";
inline constexpr std::string_view kPrintResultsIn = "---> CFinder - printResults\n";
inline constexpr std::string_view kPrintResultsOut = "<--- CFinder - printResults\n";

inline std::string walkingSource(std::string_view source) {
    return "CFinder - find - Parcourt de la source : " + std::string(source) + ".\n";
}

inline std::string parseDirectoryIn(std::string_view dir) {
    return "---> CFinder - parseDirectory - " + std::string(dir) + "\n";
}

inline std::string parseDirectoryOut(std::string_view dir) {
    return "<--- CFinder - parseDirectory - " + std::string(dir) + "\n";
}

inline std::string fileFound(std::string_view path) {
    return "CFinder - parseDirectory - Fichier trouv\xE9 : " + std::string(path) + ".\n";
}

// A directory whose listing can't start: the pattern and the code in hex.
inline std::string listingFailed(std::string_view pattern, std::string_view hexCode) {
    return "CFinder - parseDirectory - Aucun fichier du type recherche dans le dossier : " +
           std::string(pattern) + " - err 0x" + std::string(hexCode) + ".\n";
}

inline constexpr std::string_view kParseDirectoryFailedOut = "<--- CFinder - parseDirectory\n";

inline std::string loopSkipped(std::string_view dir) {
    return "CFinder - parseDirectory - Boucle ignor\xE9"
           "e : " +
           std::string(dir) + ".\n";
}

inline std::string analysing(std::string_view path) {
    return "CFinder - compareFiles - Fichier " + std::string(path) + " en cours d'analyse.\n";
}

inline std::string compareContentOut(int identical) {
    return "<--- CFinder - compareContent - " + std::to_string(identical) + "\n";
}

inline std::string sameFileTrace(std::string_view first, std::string_view second) {
    return "CFinder - compareFiles - " + std::string(first) + " et " + std::string(second) +
           " sont le m\xEAme fichier.\n";
}

// The report record of one group of identical files, first file first.
inline std::string duplicateReport(const std::vector<std::string>& group) {
    std::string record = "Le fichier " + group.front() + " est en doublon avec -";
    for (std::size_t i = 1; i < group.size(); ++i) record += " " + group[i] + " -";
    return record + "\n";
}

}  // namespace twinscout::e2e::text
