#pragma once
// The hidden attribute of FAT file systems (memory cards, USB sticks mounted as vfat). Other
// Linux file systems have no such attribute: there the functions do nothing.
#include <string>

namespace pixbako {

// Sets the FAT hidden attribute of a file or folder on vfat; elsewhere does nothing. False
// only when the entry can't be opened or the file system refused the change.
bool setHiddenAttribute(const std::string& path);

// True when the entry lies on vfat and carries the hidden attribute.
bool hasHiddenAttribute(const std::string& path);

// The same for the entry `name` of the open folder `dirFd`, for listings that ask about many
// entries of one folder. Call it only when isFatFileSystem(dirFd): it opens the entry.
bool hasHiddenAttributeAt(int dirFd, const char* name);

// True when the open file or folder `fd` lies on a FAT file system.
bool isFatFileSystem(int fd);

} // namespace pixbako
