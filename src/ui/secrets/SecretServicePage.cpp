// The Secret Service's preference page.
#include "ui/secrets/SecretServicePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "cardstore/Categories.h"
#include "secrets/SecretService.h"

CSecretServicePage::CSecretServicePage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    m_provide = new QCheckBox(QStringLiteral("&Provide passwords to other programs (Secret Service)"), this);
    layout->addWidget(m_provide);
    auto* explain = new QLabel(
        QStringLiteral("Programs such as git, Chromium or a mail client then keep their passwords as cards of the "
                       "open encrypted documents. They see only the cards programs stored there."),
        this);
    explain->setWordWrap(true);
    layout->addWidget(explain);

    auto* form = new QFormLayout;
    m_category = new QComboBox(this);
    for (int id = 0; id < kCategoryCount; ++id)
        m_category->addItem(QString::fromUtf8(categoryDisplayName(id).c_str()), id);
    form->addRow(QStringLiteral("&Category of their cards:"), m_category);
    m_default = new QLineEdit(this);
    m_default->setPlaceholderText(QStringLiteral("the first encrypted document opened"));
    form->addRow(QStringLiteral("&Default document:"), m_default);
    layout->addLayout(form);

    m_owner = new QLabel(this);
    m_owner->setWordWrap(true);
    const QString other = secrets::describeOtherNameOwner(QDBusConnection::sessionBus());
    if (!other.isEmpty())
        m_owner->setText(QStringLiteral("%1 provides the passwords now; Quorvane does not take its place.").arg(other));
    m_owner->setVisible(!other.isEmpty());
    layout->addWidget(m_owner);
    layout->addStretch();
    connect(m_provide, &QCheckBox::toggled, this, &CSecretServicePage::enableChoices);
}

void CSecretServicePage::load(const PreferenceValues& values) {
    m_provide->setChecked(values.secretServiceProvide == 1);
    const int index = m_category->findData(values.secretServiceCategory);
    m_category->setCurrentIndex(index >= 0 ? index : m_category->findData(14));
    m_default->setText(QString::fromStdString(values.secretServiceDefault));
    enableChoices();
}

void CSecretServicePage::store(PreferenceValues& values) const {
    values.secretServiceProvide = m_provide->isChecked() ? 1 : 0;
    values.secretServiceCategory = m_category->currentData().toInt();
    values.secretServiceDefault = m_default->text().trimmed().toStdString();
}

void CSecretServicePage::enableChoices() {
    m_category->setEnabled(m_provide->isChecked());
    m_default->setEnabled(m_provide->isChecked());
}
