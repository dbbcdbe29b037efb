#pragma once
// "Find Card": the modeless search box. It keeps the keyword and where the last search stopped;
// the search itself belongs to its owner. Closing it in any way deletes it, so the owner's
// QPointer clears and the next Find makes a fresh one.

#include <QDialog>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

class CFindCardDlg : public QDialog {
    Q_OBJECT
public:
    /// Searches from index `start` on; returns the index found or -1.
    using Search = std::function<int(int start, const QString& keyword, bool ignoreCase)>;

    explicit CFindCardDlg(Search search = {}, QWidget* parent = nullptr);
    void setSearch(Search search) { m_search = std::move(search); }

    /// The index the last search returned; -1 before any and after a failed one.
    int lastIndex() const { return m_lastIndex; }
    QString keyword() const;
    bool ignoreCase() const;

    QLineEdit* keywordField() const { return m_keyword; }
    QCheckBox* ignoreCaseBox() const { return m_ignoreCase; }
    QPushButton* findButton() const { return m_find; }
    QPushButton* findAgainButton() const { return m_findAgain; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void searchFrom(int start);

    Search m_search;
    int m_lastIndex = -1;
    QLineEdit* m_keyword;
    QCheckBox* m_ignoreCase;
    QPushButton* m_find;
    QPushButton* m_findAgain;
    QPushButton* m_cancel;
};
