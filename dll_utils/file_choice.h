#pragma once
// Whether a file the user chose has the version a procedure asks for.

#include <string>

enum FileVerdict { kFileAccepted, kFileWithoutVersion, kFileWrongVersion };

// required is one version, compared over its own fields ("2.1" accepts "2.1.0.7"), or a
// range list ("2.0-2.9,3.1") as the range test reads it.
FileVerdict JudgeFileVersion(const std::string& found, const std::string& required);
