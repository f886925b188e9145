#pragma once
// The texts of the installer's window, each written here once: the class
// name by which tests and tools find the window, and what it shows. Portable,
// so that a program that only looks for the window can name it.

// The class name of the installer's one window.
inline constexpr char installerClassName[] = "62RUZ INSTALL";

inline constexpr char instructionText[] =
    "This procedure will install the Vorlixa plugin for the web browsers you select from the "
    "list below. Please close all browser windows before continuing...";
inline constexpr char linkText[] = "www.vorlixa.com";

// The window's title, before the plug-in's version.
inline constexpr char installerTitle[] = "Vorlixa Plugin Installer";
// The error when no browser is found, or none that can load the plug-in.
inline constexpr char noBrowserText[] =
    "No compatible web browsers could be located on your computer";
