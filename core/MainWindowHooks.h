#pragma once
// Fills the start-up routine's hooks with the notice popup and the main window.
class CSMSServerApp;

void InstallMainWindowHooks(CSMSServerApp& app);
