#pragma once
// The questions the doc/view framework asks the person: save changes?, which file?, and a message
// when something went wrong. The program above this layer answers them with its own dialogs.

#include <QString>
#include <QStringList>

class DocPrompter {
public:
    enum class Icon { None, Information, Warning, Critical };
    enum class Answer { Yes, No, Cancel };

    virtual ~DocPrompter() = default;

    /// A message box with an OK button; an empty caption shows the application's title.
    virtual void message(const QString& text, const QString& caption = QString(), Icon icon = Icon::None) = 0;
    /// A Yes/No (or Yes/No/Cancel) question; an empty caption shows the application's title.
    virtual Answer question(const QString& text, bool withCancel, const QString& caption = QString()) = 0;
    /// The open-file dialog; an empty text when cancelled.
    virtual QString openFileName(const QString& caption, const QStringList& nameFilters) = 0;
    /// The save-file dialog starting at `suggested`; an empty text when cancelled.
    virtual QString saveFileName(const QString& caption, const QString& suggested, const QStringList& nameFilters) = 0;
};
