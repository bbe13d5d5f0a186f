#pragma once

// The folder where the copies of a program meet: one that only this user can enter.

#include <QByteArray>

struct stat;

namespace platform {

struct PrivateFolder {
    // Kept as the bytes the system gives, whatever their encoding; empty when no private
    // folder could be had.
    QByteArray path;
    // True for the folder under the temporary folder, which the program makes itself and
    // makes again when it goes; false for the user's runtime folder.
    bool madeByProgram = false;

    // The user's runtime folder when it is set and private, else a folder of the user's own
    // under the temporary folder, made with mode 0700 on first use.
    static PrivateFolder find(const QByteArray& program);

    // Whether the folder is still there and still private. One the program made is made
    // again first, should it have gone.
    bool keep() const;
};

// Whether `info` describes a regular file owned by this user.
bool isOwnRegularFile(const struct stat& info);

// Clears `path`, inside the private `folder`, of anything that is not a regular file of
// this user's, so that one can be made there. Since only this user can enter the folder,
// whatever is found there was put there by this user or by the administrator: a folder
// with something in it is renamed aside (its contents kept), anything else is removed, and
// a file of the user's that has lost its read and write rights gets them back, since a
// running copy may be using it. False when the path could not be cleared.
bool clearPathForFile(const QByteArray& folder, const QByteArray& path);

}  // namespace platform
