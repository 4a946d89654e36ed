// utils.dll as setup loads and calls it.

#include "utils_library.h"

#include <vector>

#include "child_process.h"
#include "shared_log.h"

namespace {

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

std::string FreshTestFolder(const std::string& name) {
    const std::string folder = FullPath(TestProgramFolder() + "\\utils-sys-files\\" + name);
    RemoveTree(folder);
    CreateDirectoryA(FullPath(TestProgramFolder() + "\\utils-sys-files").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

UtilsLibrary::UtilsLibrary() {
    module_ = LoadLibraryA((BinFolder() + "\\utils.dll").c_str());
    if (module_)
        call_ = reinterpret_cast<CallFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_, "BSCallProc")));
}

UtilsLibrary::~UtilsLibrary() {
    if (!module_)
        return;
    HandOver(nullptr);
    FreeLibrary(module_);
}

void UtilsLibrary::HandOver(PropertyStore* store) {
    using InitializeFunction = int (*)(HANDLE, PropertyStore*, const char*);
    auto initialize = reinterpret_cast<InitializeFunction>(
        reinterpret_cast<void*>(GetProcAddress(module_, "InitializeDllData")));
    if (initialize)
        initialize(nullptr, store, "");
}

UtilsOutcome UtilsLibrary::Call(const std::string& text, int resultSize) {
    const std::size_t mark = SharedLogSince(0).size();
    UtilsOutcome out{-2, -99, "", -99, ""};
    std::vector<char> buffer(resultSize > 0 ? resultSize : 1, '\0');
    out.kind = call_(text.c_str(), &out.number, buffer.data(), resultSize, &out.status);
    out.text = buffer.data();
    out.log = SharedLogSince(mark);
    return out;
}
