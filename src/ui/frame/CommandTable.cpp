#include "ui/frame/CommandTable.h"

#include <QKeySequence>
#include <QWidget>

#include "ui/common/CommandBlock.h"

CommandTable::CommandTable(QWidget* owner) : QObject(owner), m_owner(owner) {
    for (const CommandDef& def : commandDefinitions()) {
        // A menu shows the key names after the tab; a text without them gets an empty tab part,
        // or the menu would add the real shortcut's name (Close is Shift+C, yet its item says nothing).
        QString text = QString::fromUtf8(def.text);
        if (def.keys[0] != '\0' && !text.contains('\t')) {
            text += '\t';
        }
        auto* action = new QAction(text, owner);
        const QString prompt = QString::fromUtf8(def.prompt);
        const int newline = prompt.indexOf('\n');
        action->setStatusTip(newline < 0 ? prompt : prompt.left(newline));
        action->setToolTip(newline < 0 ? QString() : prompt.mid(newline + 1));
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromUtf8(def.keys).split(';', Qt::SkipEmptyParts)) {
            keys.append(QKeySequence::fromString(key, QKeySequence::PortableText));
        }
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setCheckable(def.checkable);
        action->setIconVisibleInMenu(false);
        action->setData(def.id);
        action->setEnabled(false);
        const int id = def.id;
        connect(action, &QAction::triggered, this, [this, id] { execute(id); });
        owner->addAction(action);
        m_entries.insert(id, Entry{action, {}, {}, {}, {}});
    }
}

QAction* CommandTable::action(int id) const {
    auto it = m_entries.constFind(id);
    return it == m_entries.cend() ? nullptr : it->action;
}

QList<int> CommandTable::ids() const { return m_entries.keys(); }

QAction* CommandTable::addAlias(int id, const QString& text) {
    auto it = m_entries.find(id);
    if (it == m_entries.end()) {
        return nullptr;
    }
    auto* alias = new QAction(text, m_owner);
    alias->setStatusTip(it->action->statusTip());
    alias->setCheckable(it->action->isCheckable());
    alias->setData(id);
    alias->setEnabled(it->action->isEnabled());
    connect(alias, &QAction::triggered, this, [this, id] { execute(id); });
    it->aliases.append(alias);
    return alias;
}

void CommandTable::setHandler(int id, std::function<void()> handler) {
    auto it = m_entries.find(id);
    if (it != m_entries.end()) {
        it->handler = std::move(handler);
    }
}

void CommandTable::setEnableRule(int id, std::function<bool()> rule) {
    auto it = m_entries.find(id);
    if (it != m_entries.end()) {
        it->enabled = std::move(rule);
    }
}

void CommandTable::setCheckRule(int id, std::function<bool()> rule) {
    auto it = m_entries.find(id);
    if (it != m_entries.end()) {
        it->checked = std::move(rule);
    }
}

bool CommandTable::isEnabled(int id) const {
    auto it = m_entries.constFind(id);
    if (it == m_entries.cend() || !it->handler || (m_gate && !m_gate(id))) {
        return false;
    }
    return !it->enabled || it->enabled();
}

bool CommandTable::execute(int id) {
    if (!isEnabled(id) || CommandBlock::active()) {
        return false;
    }
    // Copy the handler: it may replace itself or tear down the window it belongs to.
    const std::function<void()> handler = m_entries.value(id).handler;
    handler();
    emit executed(id);
    return true;
}

void CommandTable::runHandler(int id) {
    const std::function<void()> handler = m_entries.value(id).handler;
    if (handler && !CommandBlock::active()) {
        handler();
        emit executed(id);
    }
}

void CommandTable::updateCommandStates() {
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        const bool enabled = isEnabled(it.key());
        const bool checked = it->checked && it->checked();
        it->action->setEnabled(enabled);
        if (it->action->isCheckable()) {
            it->action->setChecked(checked);
        }
        for (QAction* alias : it->aliases) {
            alias->setEnabled(enabled);
            if (alias->isCheckable()) {
                alias->setChecked(checked);
            }
        }
    }
}
