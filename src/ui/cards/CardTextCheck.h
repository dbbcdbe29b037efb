#pragma once
// The check the card editors run at OK: a text goes into a card only if Windows-1252 can hold it
// and it fits the card format, so saving the document later cannot fail on it.

#include <QString>

/// What is wrong with `text` as the card text called `name` ("Password", "Note"), as a message fit
/// to show; empty when the text can be stored.
QString cardTextProblem(const QString& text, const QString& name);
