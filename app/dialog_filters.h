// Translating the window's dialog filters and default extensions for Qt's file dialog.
#pragma once

#include <QString>
#include <QStringList>

namespace tegulo {

// "SNES ROM|*.smc; *.sfc|ALL|*.*" becomes {"SNES ROM (*.smc *.sfc)", "ALL (*)"}: patterns
// are separated by blanks, "*.*" (every file) becomes "*", and a description that already
// ends with its patterns in brackets ("Tegulo (*.tgl)") has them replaced rather than
// repeated. A description without a pattern is dropped.
QStringList QtNameFilters(const QString& filter);

// The same joined by ";;", Qt's one-string form.
QString QtFilter(const QString& filter);

// `path` with "." + defaultExt added when its file name has no extension (no dot).
QString WithDefaultExtension(const QString& path, const QString& defaultExt);

// The extension of the first pattern of pair `index` ("ips" for "IPS Patch|*.ips"); empty for
// an index outside the filter and for patterns with wildcards after the dot ("*.*", "*.zs?").
QString FilterExtension(const QString& filter, int index);

}  // namespace tegulo
