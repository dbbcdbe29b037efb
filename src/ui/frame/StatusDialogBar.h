#pragma once
// The Status Dialog Bar under the toolbar: the card counts of the selected category and of the
// document, and whether the document saves encrypted. Controls are reached by their ids.

#include <QWidget>

class QLabel;

class StatusDialogBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCardsInCategory = 1021;
    static constexpr int kTotalCards = 1023;
    static constexpr int kSaveStatusIcon = 1068;
    static constexpr int kSaveStatusText = 1110;

    explicit StatusDialogBar(QWidget* parent = nullptr);

    /// The control with this id, or nullptr.
    QLabel* item(int id) const;

private:
    QLabel* m_cardsInCategory;
    QLabel* m_totalCards;
    QLabel* m_icon;
    QLabel* m_status;
};
