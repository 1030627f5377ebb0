// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// A file or folder chooser shown as a sheet on a window. The end callback gets the panel and
// 1 (OK) or 0 (Cancel); the chosen path is then `filename()`.
class OpenPanel
{
public:
    using DidEnd = std::function<void(OpenPanel *panel, int returnCode)>;

    virtual ~OpenPanel();

    void setCanChooseDirectories(bool flag) { m_canChooseDirectories = flag; }
    void setCanChooseFiles(bool flag) { m_canChooseFiles = flag; }
    void setAllowsMultipleSelection(bool flag) { m_allowsMultipleSelection = flag; }
    bool canChooseDirectories() const { return m_canChooseDirectories; }
    bool canChooseFiles() const { return m_canChooseFiles; }
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }

    // `types` are file name extensions without the dot; empty means any file.
    virtual void beginSheetForDirectory(const QString &directory, const QString &file, const QStringList &types,
                                        QWidget *window, DidEnd didEnd) = 0;
    virtual QString filename() const = 0;
    virtual void close() = 0;

private:
    bool m_canChooseDirectories = false;
    bool m_canChooseFiles = true;
    bool m_allowsMultipleSelection = false;
};
