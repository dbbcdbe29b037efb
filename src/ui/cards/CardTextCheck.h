#pragma once
// The check the card editors run at OK: a text goes into a card only if Windows-1252 can hold it
// and it fits the card format, so saving the document later cannot fail on it.

#include <QString>

/// A note as the editor shows it: line breaks as single line feeds.
QString noteForEditor(const QString& storedNote);
/// A note as cards keep it: every line break as CR LF, as the card files have always held them.
QString noteForCard(const QString& editedNote);

/// What is wrong with `text` as the card text called `name` ("Password", "Note"), as a message fit
/// to show; empty when the text can be stored.
QString cardTextProblem(const QString& text, const QString& name);
