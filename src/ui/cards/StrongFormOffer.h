#pragma once
// The offer to save a document of the old encryption form in the strong one: made once per document
// (its path), in the status bar, never as a box at every open.

#include <QString>
#include <optional>

struct LoadResult;
class SettingsStore;

/// The status-bar text offering the strong form for the document just loaded from `path`, when it is
/// in the old encrypted form and was not offered it before; the offer is remembered in `settings`.
std::optional<QString> strongFormOffer(SettingsStore& settings, const QString& path, const LoadResult& result);
