#pragma once

// Runs the real sweepora-cli binary and reads what it printed.
#include "support/TreeBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace Sweepora::Test {

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;

    QJsonObject json() const
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out.toStdString();
        return doc.object();
    }
    QJsonValue at(const char* key) const { return json()[QLatin1String(key)]; }
    QJsonArray items() const { return at("items").toArray(); }
};

// Standard input is a pipe, closed at once: the CLI has no terminal to ask on.
inline CliRun runCli(const QStringList& arguments,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(SWEEPORA_CLI_PATH), arguments);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000)) << "sweepora-cli did not finish";
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

// A move that took exactly `moved`, failed on nothing and said `message`.
inline void expectMoved(const CliRun& run, const QJsonArray& moved, const QString& message)
{
    EXPECT_EQ(run.at("moved").toArray(), moved) << run.out.toStdString();
    EXPECT_TRUE(run.at("failed").toArray().isEmpty());
    EXPECT_EQ(run.at("message").toString(), message);
}

// "a b c" -> {"a", "b", "c"}
inline QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// A home and a data folder (where the runs keep their Trash and rules) below a temporary folder.
class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid() && QDir().mkpath(home.root()) && QDir().mkpath(data.root()));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.root());
    }
    // sweepora-cli --home HOME ARGUMENTS (a text is split at its spaces).
    CliRun cli(const QStringList& arguments) const
    {
        return runCli(QStringList{QStringLiteral("--home"), home.root()} + arguments, env);
    }
    CliRun cli(const char* arguments) const { return cli(words(arguments)); }
    // A run that must succeed: exit code 0, or a failure that shows what it printed on standard error.
    CliRun ok(const QStringList& arguments) const
    {
        CliRun run = cli(arguments);
        EXPECT_EQ(run.exitCode, 0) << arguments.join(QLatin1Char(' ')).toStdString() << ": " << run.err.toStdString();
        return run;
    }
    CliRun ok(const char* arguments) const { return ok(words(arguments)); }

    QTemporaryDir m_dir;
    TreeBuilder home{m_dir.path() + QStringLiteral("/home")};
    TreeBuilder data{m_dir.path() + QStringLiteral("/data")};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

} // namespace Sweepora::Test
