// Runs the real gconvert on real files in a folder of their own, for the command's tests.
#pragma once

#include "../engine/old_file_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <memory>

class GconvertTest : public ::testing::Test {
protected:
    struct Finished { int exitCode; QString out, err; };

    // On a RAM disk where there is one: it keeps the many flushes cheap.
    GconvertTest()
        : dir((QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath())
              + QStringLiteral("/gconvert-XXXXXX"))
    {
        QDir(dir.path()).mkpath("in");
        QDir(dir.path()).mkpath("out");
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    void put(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).path());
        fixtures::writeFile(path(name), bytes);
    }

    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(dir.path());
        process->start(GCONVERT_PATH, arguments);
        process->waitForStarted();
        return process;
    }
    Finished gconvert(const QStringList& arguments, const QByteArray& input = {})
    {
        const std::unique_ptr<QProcess> process = start(arguments);
        process->write(input);
        process->closeWriteChannel();
        process->waitForFinished(120000);
        return {process->exitCode(), QString::fromUtf8(process->readAllStandardOutput()),
                QString::fromUtf8(process->readAllStandardError())};
    }

    std::map<QString, QByteArray> tree(const QString& folder) const { return fixtures::filesBelow(path(folder)); }

    QByteArray read(const QString& name) const { return fixtures::readFile(path(name)); }

    QTemporaryDir dir;
    const QByteArray old = fixtures::patternedOldFile();
};

