// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

// libFuzzer target: any bytes as a package file, loaded and installed to disk by the check
// that tests/fuzzregressions replays on every file kept under fuzz/ (PackageCheck.h). Besides
// the sanitizers' own findings it stops wherever that check finds a fault. Each input costs
// files written and removed; fuzz_package reads and inflates in memory, far faster.

#include "FuzzTarget.h"
#include "PackageCheck.h"
#include "platform/Platform.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>

namespace {

// Nobody to ask and nothing to log: the fuzzer's output stays readable and each run cheap.
class FuzzPlatform : public HeadlessPlatform
{
public:
    void log(const QString &) override { }
    AlertAnswer runAlertPanel(const Alert &) override { return AlertAnswer::Default; }
};

// The work folder of every run, which goes away when the fuzzer exits (and stays for a look
// when it stops on a fault).
struct Workspace
{
    Workspace() { Platform::setCurrent(&platform); }
    ~Workspace() { Platform::setCurrent(nullptr); }

    QTemporaryDir folder{QDir::tempPath() + QStringLiteral("/cratewright-fuzz-XXXXXX")};
    FuzzPlatform platform;
};

Workspace *workspace = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static Workspace instance;
    workspace = &instance;
    if (!workspace->folder.isValid())
        FuzzTarget::fail(QStringLiteral("cannot make a work folder"));
    qInstallMessageHandler(FuzzTarget::quietMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const PackageCheck check = checkInstall(bytes, workspace->folder.path());
    if (!check.fault.isEmpty())
        FuzzTarget::fail(check.fault);
    return 0;
}
