#pragma once
// One QAction per command id, with its handler and enable rule. Menus, toolbars and accelerators
// all trigger commands through execute(), which re-checks the rule, so a disabled command never runs.

#include <QAction>
#include <QHash>
#include <QList>
#include <QObject>
#include <functional>
#include <vector>

class QWidget;

struct CommandDef {
    int id;
    const char* text;    // the menu text; after a tab the key names the menu shows
    const char* keys;    // real shortcuts in portable form, ';' between several ("" = none)
    const char* prompt;  // status prompt, a newline, then the tool tip ("" = none)
    bool checkable = false;
};

/// Every command of the main window, in no particular order.
const std::vector<CommandDef>& commandDefinitions();

class CommandTable : public QObject {
    Q_OBJECT
public:
    /// Creates the actions and adds them to `owner`, so their shortcuts work anywhere in that window.
    explicit CommandTable(QWidget* owner);

    QAction* action(int id) const;
    QList<int> ids() const;

    /// A second menu entry for a command under another text (no shortcut of its own).
    QAction* addAlias(int id, const QString& text);

    /// A command without a handler is disabled, as are commands whose rule says so.
    void setHandler(int id, std::function<void()> handler);
    void setEnableRule(int id, std::function<bool()> rule);
    void setCheckRule(int id, std::function<bool()> rule);

    /// A rule over every command, asked before its own: a command it refuses is disabled whatever its
    /// rule says (a locked document allows only the commands that reveal no card).
    void setGate(std::function<bool(int id)> gate) { m_gate = std::move(gate); }

    /// The enable state by the rules right now (not the action's last updated state).
    bool isEnabled(int id) const;

    /// Runs the command when its rule allows it and no command is waiting (CommandBlock); returns
    /// whether it ran.
    bool execute(int id);

    /// Runs the handler whatever the rule says, for the few places that call a command directly
    /// (the tree's double click runs Edit Card this way).
    void runHandler(int id);

    /// Brings every action's enabled and checked state up to date with the rules.
    void updateCommandStates();

signals:
    void executed(int id);

private:
    struct Entry {
        QAction* action = nullptr;
        QList<QAction*> aliases;
        std::function<void()> handler;
        std::function<bool()> enabled;
        std::function<bool()> checked;
    };
    QHash<int, Entry> m_entries;
    std::function<bool(int)> m_gate;
    QWidget* m_owner;
};
