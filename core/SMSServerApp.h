#pragma once
// The application object: its start-up routine runs the whole life of the process.
#include <functional>
#include <string>
#include <vector>

class SingleInstance;

class CSMSServerApp {
public:
    // Makes the application object (no window system for a repair run), runs InitInstance and
    // returns the exit status.
    int Run(int argc, char** argv);

    // One of four courses: repair run (any argument), network failure, second instance, normal
    // run. Always false.
    bool InitInstance();

    // The command line after the program name.
    std::vector<std::string> m_args;

    // Hooks the later windows fill in (none: skipped).
    // Fetches the start-up notice from the notice server (host or host:port); empty on failure.
    std::function<std::string(const std::string& address)> m_fnFetchNotice;
    // Shows the notice popup modally with its text.
    std::function<void(const std::string& text)> m_fnShowNotice;
    // Constructs the main window, runs it modally and returns its result.
    std::function<int()> m_fnRunMainWindow;
    // Shows the main window when a later instance asks; set while the main window exists.
    std::function<void()> m_fnShowMainWindow;

    // A later instance asked to be shown: the main window is shown when a top-level window titled
    // g_strMainTitle exists (it gets that title once its initialisation is done); else nothing.
    void OnShowRequest();

private:
    bool RepairRun();
    void Shutdown();

    SingleInstance* m_pInstance = nullptr;
};

extern CSMSServerApp theApp;

// Loads Qt's own Simplified Chinese texts (file dialogs, standard buttons) into the running
// application, once. False when the translation is not installed.
bool InstallQtTranslation();

// Makes Qt's locale Simplified Chinese (the sizes, dates and kinds of its file dialogs)
// whatever the machine's locale. Qt takes its system locale from the environment once, so this
// runs before the application object is made; the environment and the C library's locale stay
// as they were. True when Qt took the locale.
bool UseChineseLocaleForQt();
