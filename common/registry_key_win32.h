#pragma once
// Registry helpers shared by the Win32 parts of common: an owning key handle and the view
// flags of the registry views.

#include <windows.h>

#include "registry.h"

class KeyHandle {
  public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (key_)
            RegCloseKey(key_);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

inline REGSAM ViewFlag(RegistryView view) {
    if (view == kRegistry32View)
        return KEY_WOW64_32KEY;
    if (view == kRegistry64View)
        return KEY_WOW64_64KEY;
    return 0;
}
