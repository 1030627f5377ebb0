// SPDX-FileCopyrightText: 2026 The ZC Cratewright developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Platform.h"

#include <QUrl>

class QObject;

namespace UrlFetcher {
// Fetches `url` in the background and hands `done` the body as text when the server answered
// 200, or nothing on any failure: no connection, another status, more than 1 MiB, or no complete answer
// within `timeoutMs`. `done` runs on the calling thread's event loop, and not at all once
// `context` is gone.
void fetch(const QUrl &url, QObject *context, Platform::FetchDone done, int timeoutMs = 30000);
} // namespace UrlFetcher
