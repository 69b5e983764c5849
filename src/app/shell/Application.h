#pragma once
// Start-up and shutdown of the program: the single-instance check, the log, the application
// object, the language module, the main frame, the recording named on the command line.

#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QTranslator;

namespace vistrel {

// Windows language identifier of a locale name ("ru_RU" -> 1049, "en_US" -> 1033).
int LanguageIdFromLocale(const QString& localeName);
// The user's interface language as a Windows language id; VISTREL_LANG_ID overrides it.
int UserLanguageId();
// Russian when the low byte of the language id is 25.
inline bool IsRussianLanguage(int langId) { return (langId & 0xFF) == 25; }

// Name of the local server that marks a running instance of this user; contains "Vis Trel".
// It lies in a folder of the user's own (see FindInstanceLocation); empty when there is no
// safe place. VISTREL_INSTANCE_TAG (tests) makes it distinct.
QString InstanceServerName();

enum class InstanceState { None, Running, Unknown };
// Whether an instance answers on the name: None only when nobody listens there; a listener
// of another user is Unknown.
InstanceState ProbeInstance(const QString& serverName, int timeoutMs);

struct StartOptions {
    QStringList arguments;     // command-line arguments without the program name
    QString languageDir;       // folder of LangRsRu.qm / LangRsEn.qm; empty: beside the program
    int languageId = -1;       // -1: the user's interface language
    bool showFrame = true;     // false in tests that need no visible window
    // Started from the desktop (--desktop): runs in DesktopWorkingFolder(), opens every
    // argument as File > Open does, keeps the saved windows, file dialogs start in the
    // documents folder.
    bool desktop = false;
};

// The per-user working folder of a desktop start: $XDG_DATA_HOME/vistrel, else
// ~/.local/share/vistrel.
QString DesktopWorkingFolder();
// The folders searched for the language modules: the one beside the program, then the
// installed one (<program folder>/../share/vistrel/LangDLLs).
QStringList LanguageModuleFolders();

class CApplication {
public:
    CApplication();
    ~CApplication();

    // Start-up up to the main loop. False when another instance runs: nothing was created.
    bool Start(const StartOptions& options);
    // The main loop; returns its exit code.
    int Run();
    // Saves the configuration, closes the plot windows, releases the language module and log.
    void Shutdown();

    bool LanguageModuleLoaded() const { return m_moduleLoaded; }

private:
    void LoadLanguage(const StartOptions& options);
    // Opens the recordings a second start handed over and raises the main window; waits
    // while a modal dialog or a job runs.
    void OpenHandedOver(const QStringList& paths);

    std::unique_ptr<QLocalServer> m_instanceServer;
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<QTranslator> m_qtTranslator; // Qt's own texts (buttons, file dialogs)
    bool m_desktop = false;
    bool m_moduleLoaded = false;
    bool m_started = false;
};

} // namespace vistrel
