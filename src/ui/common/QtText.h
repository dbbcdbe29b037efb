#pragma once
// Card texts and passwords are Windows-1252 bytes in the core; the window works in QString.
// These two functions are the only crossing between them.

#include <QString>
#include <optional>
#include <string>

/// Windows-1252 bytes as a QString.
QString fromCardText(const std::string& bytes);

/// A QString as Windows-1252 bytes, or nothing when it holds a character Windows-1252 cannot
/// hold; `error` then gets a sentence fit to show.
std::optional<std::string> toCardText(const QString& text, QString* error = nullptr);

/// Takes the text out of a password field and wipes what the field held; the result is the only
/// copy left. Pass it to wipeSecret(QString&) once it is used.
QString takeSecretText(class QLineEdit& field);

/// Overwrites the characters of a string no other QString shares, and empties it.
void wipeSecret(QString& text);
