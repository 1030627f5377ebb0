#pragma once

#include <QTemporaryDir>

// Gives a GUI test a private settings store and runtime folder, so tests never touch the
// user's settings and Qt doesn't warn about a missing XDG_RUNTIME_DIR. Make one before the
// QApplication (it is a static in the test's main via QTEST_MAIN's init).
class GuiTestEnvironment
{
public:
    GuiTestEnvironment();
    QString settingsPath() const { return m_settings.path(); }
    // Forgets every stored setting.
    void clearSettings();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_runtime;
};
