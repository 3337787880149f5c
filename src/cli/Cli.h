#pragma once

#include <QStringList>

class QTextStream;

// vendrix-k3-cli: the window's history and analysis commands for scripts. Returns the exit
// status: 0 on success, 2 with a one-line message on `err` for bad usage or bad input.
int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err);
