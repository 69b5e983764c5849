#pragma once
// Shared pieces of the shell's widget tests: a temporary current directory, a distinct
// instance name, recorded message boxes and file dialogs, and a started program.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include "shell/Application.h"
#include "shell/FrameApp.h"
#include "shell/MainFrame.h"
#include "shell/SelectDevsDialog.h"
#include "shell/UiUtils.h"
#include "support/Fixtures.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

namespace vistrel::test {

struct Box {
    BoxKind kind;
    QString caption;
    QString text;
};

// Runs a test in a fresh current directory with its own instance name; records every box
// and answers questions from a queue (default: No).
class ShellEnv {
public:
    ShellEnv() : m_oldDir(QDir::currentPath()) {
        QDir::setCurrent(QString::fromStdString(m_dir.Path().string()));
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        qputenv("VISTREL_INSTANCE_TAG", QStringLiteral("test %1 %2 %3")
                                            .arg(QCoreApplication::applicationPid())
                                            .arg(QString::fromLatin1(info->test_suite_name()))
                                            .arg(QString::fromLatin1(info->name()))
                                            .toUtf8());
        SetMessageBoxAnswerer([this](BoxKind kind, const QString& caption, const QString& text) {
            boxes.append({kind, caption, text});
            if (kind != BoxKind::Question || answers.isEmpty()) return false;
            return answers.takeFirst();
        });
        SetFileDialogAnswerer([this](FileDialogMode, const QString& title, const QList<FileFilter>& filters,
                                     const QString& folder, int* filterIndex) {
            dialogTitles.append(title);
            dialogFolders.append(folder);
            lastFilters = filters;
            *filterIndex = chosenFilter;
            return paths.isEmpty() ? QString() : paths.takeFirst();
        });
        ResetLastFolder();
        g_exitConfirmed = false;
    }
    ~ShellEnv() {
        Stop();
        SetMessageBoxAnswerer({});
        SetFileDialogAnswerer({});
        SetShellDialogHook({});
        QDir::setCurrent(m_oldDir);
        g_exitConfirmed = false;
    }

    // Starts the program as main() does (English unless told otherwise).
    bool Start(QStringList args = {}, int languageId = 1033, QString languageDir = QString()) {
        Stop();
        app = std::make_unique<CApplication>();
        StartOptions o;
        o.arguments = args;
        o.languageId = languageId;
        o.languageDir = languageDir.isEmpty() ? QStringLiteral(VISTREL_LANG_DIR) : languageDir;
        o.showFrame = true;
        return app->Start(o);
    }
    void Stop() {
        if (app) app->Shutdown();
        app.reset();
    }
    CMainFrame* Frame() const { return g_app ? g_app->m_frame : nullptr; }
    QString Dir() const { return QString::fromStdString(m_dir.Path().string()); }
    QString File(const QString& name) const { return Dir() + QLatin1Char('/') + name; }
    QByteArray Read(const QString& name) const {
        QFile f(File(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int CountBoxes(BoxKind kind) const {
        int n = 0;
        for (const Box& b : boxes) n += b.kind == kind;
        return n;
    }

    std::unique_ptr<CApplication> app;
    QList<Box> boxes;
    QList<bool> answers;
    QStringList paths;        // answers of file dialogs, in order
    QStringList dialogTitles; // titles of the file dialogs shown
    QStringList dialogFolders;
    QList<FileFilter> lastFilters;
    int chosenFilter = 0;

private:
    TempDir m_dir;
    QString m_oldDir;
};

} // namespace vistrel::test
