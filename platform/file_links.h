// Links on the device's file system. The handheld has none, but the drive
// here is a host folder that can hold symbolic links, and the platform shows
// them in two ways (measured): a link to a folder lists as a folder with
// FILE_ATTRIBUTE_REPARSE_POINT, while a link to a file lists as a plain file,
// and DeleteFileW on it deletes the file it points to.
#ifndef MORVANE_PLATFORM_FILE_LINKS_H
#define MORVANE_PLATFORM_FILE_LINKS_H

// True unless path names a file or folder that lies where the path says:
// false for a path off the device, for a link, for anything reached through
// a link on the way, and for a path that cannot be opened (nothing is known
// of it then).
bool liesWhereItsPathSays(const wchar_t* path);

// Deletes the file at path, read-only or not, only when it lies where the
// path says. The file is checked and deleted through one handle, so a link
// put in its place meanwhile can never lead the deletion elsewhere.
bool deleteWhereItsPathSays(const wchar_t* path);

#endif
