#pragma once
// The Secret Service in the window: started and stopped with the preference "Provide passwords to
// other programs", and a status-bar note when another program holds the name.

class CMainFrame;

void installSecretsCommands(CMainFrame& frame);
