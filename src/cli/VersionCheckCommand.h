#pragma once

#include "Command.h"

// `cratewright version-check`: fetches the version text and prints what the version check
// panel would show.
class VersionCheckCommand : public Command
{
public:
    VersionCheckCommand();

    int run(const QCommandLineParser &parser, const QStringList &arguments) override;
};
