#pragma once

#include <QByteArray>
#include <QString>

namespace kv {

// The one way the program writes the files it hands out: exports, bank files, prints to PDF.
// They hold wages and card numbers, so inside the data folder (where the program puts them)
// they are the owner's alone (0600) from their first byte; a file written elsewhere, where the
// user chose to put it, keeps the user's umask. Each is written under a temporary name beside
// its own and takes that name only when whole: a failed write leaves no part of itself and an
// earlier file of that name as it was.

// Adds a data folder whose files are the owner's alone (the application context does, for its
// own); kept for the whole process.
void addPrivateFolder(const QString& folder);
// Whether a file at that path is the owner's alone.
bool isPrivatePlace(const QString& path);

// The temporary name a file is written under before it takes `target`'s place.
QString temporaryNameFor(const QString& target);
// Creates `temporary` empty for `target`, with the permissions `target` is to have, so that a
// writer that opens it afterwards keeps them. False with the reason in *error.
bool createOutputFile(const QString& temporary, const QString& target, QString* error);
// Gives the written temporary file the target's name, replacing an older file; removes it on
// failure. False with the reason in *error.
bool replaceWithOutput(const QString& temporary, const QString& target, QString* error);
// The whole of `bytes` as the file `target`, as above. False with the reason in *error.
bool writeOutputFile(const QString& target, const QByteArray& bytes, QString* error);

} // namespace kv
