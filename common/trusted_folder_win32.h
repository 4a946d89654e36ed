#pragma once
// The rights of a folder that every user may read but only administrators may change (the
// all-users log folder), as a security descriptor string: SYSTEM and the administrators
// may do anything, users may read and list, and nothing is inherited from the folder
// above, so a parent that users may write to does not make the folder writable.

namespace platform {

const char* TrustedFolderRights();

}  // namespace platform
