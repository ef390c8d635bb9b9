#pragma once

#include <QByteArray>
#include <QStringList>

// The lines of a table file. Files may come from other systems: CR LF, LF
// and CR alone all end a line. A final line end adds no empty line; a last
// line without one still counts.
QStringList linesOf(const QByteArray& content);
