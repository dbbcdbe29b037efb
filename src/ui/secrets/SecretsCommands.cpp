// Starting the Secret Service with the preference, and saying who holds the name when we cannot.
#include "ui/secrets/SecretsCommands.h"

#include <QDBusConnection>

#include "prefs/SettingKeys.h"
#include "secrets/SecretService.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusMessagePane.h"
#include "ui/secrets/ShareWithProgramsDlg.h"
#include "ui/secrets/WindowSecretDocuments.h"

void installSecretsCommands(CMainFrame& frame) {
    auto* documents = new WindowSecretDocuments(frame);
    installShareWithPrograms(frame);
    auto* service = new secrets::SecretService(*documents, QDBusConnection::sessionBus(), &frame);
    service->setObjectName(QStringLiteral("SecretService"));
    CMainFrame* f = &frame;
    auto apply = [f, service] {
        const bool wanted = readSetting(f->settings(), settings::kSecretServiceProvide) == 1;
        if (!wanted) {
            service->stop();
            return;
        }
        if (service->isRunning() || service->start())
            return;
        const QString owner = service->ownerDescription();
        f->messagePane()->showMessage(
            QStringLiteral("Passwords are not provided to other programs: %1 already provides them.")
                .arg(owner.isEmpty() ? QStringLiteral("another program") : owner));
    };
    QObject::connect(f, &CMainFrame::settingsChanged, service, apply);
    apply();
}
