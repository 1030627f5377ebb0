#pragma once

#include "Platform.h"

// The desktop program's platform: Qt message boxes, window-modal sheets and file dialogs, the
// desktop's browser and Qt Network; log lines and processes as everywhere else.
class QtPlatform : public HeadlessPlatform
{
public:
    void beep() override;
    int runAlertPanel(const QString &title, const QString &message, const QString &defaultButton,
                      const QString &alternateButton, const QString &otherButton) override;
    void beginInformationalAlertSheet(const QString &title, const QString &defaultButton,
                                      const QString &alternateButton, const QString &otherButton,
                                      QWidget *window, const QString &message) override;
    std::shared_ptr<OpenPanel> openPanel() override;
    bool openUrl(const QUrl &url) override;
    void fetchUrl(const QUrl &url, QObject *context, FetchDone done) override;
};
