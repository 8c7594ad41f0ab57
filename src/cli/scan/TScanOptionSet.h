#pragma once

#include "engine/TScanOptions.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The options every command line that runs a scan shares: what to compare (filter, sizes,
// hidden files, contents, sub folders, time adjustments, margin, threads), how records end
// (--null), the status texts (--status) and the two roots. foldermate-scan and
// foldermate-sync read them here, so that both take the same words with the same limits.
class TScanOptionSet
{
public:
    TScanOptionSet();

    // Adds the options and the SOURCE and DESTINATION arguments to parser.
    void AddTo(QCommandLineParser &parser) const;
    // Reads what parser found into options (roots made absolute against workingFolder).
    // Returns the usage error, or an empty text when all is well.
    QString Read(const QCommandLineParser &parser, const QString &workingFolder, TScanOptions &options) const;
    // Parses arguments with parser (to which the caller added its help and version options
    // and its own options), then reads the scan options. psInfo: *message is the help or
    // version text for stdout; psUsage: *message is the usage error.
    enum TParsed { psRun, psInfo, psUsage };
    TParsed Parse(QCommandLineParser &parser, const QStringList &arguments, const QString &workingFolder,
                  TScanOptions &options, QString *message) const;
    bool NullTerminated(const QCommandLineParser &parser) const;
    bool ShowStatus(const QCommandLineParser &parser) const;

    // A root as the engine wants it: absolute against the working folder, cleaned of
    // ".", ".." and doubled separators, ending with exactly one "/". Links are kept:
    // the engine compares the folders by identity. An empty text stays empty.
    static QString NormalizeRoot(const QString &argument, const QString &workingFolder);

private:
    QCommandLineOption FFilter, FReverse, FMin, FMinUnit, FMax, FMaxUnit, FHidden, FNoContent, FNoSub, FSrcAdjust,
        FDstAdjust, FMargin, FNull, FStatus, FThreads;
};
