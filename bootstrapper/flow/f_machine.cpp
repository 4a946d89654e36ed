#include "f_machine.h"

#include "text_util.h"

std::string TrimFolderSlashes(const std::string& folder) {
    return Trim(folder, "/\\");
}
