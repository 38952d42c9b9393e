#pragma once
// The program's settings: one process-wide value per registry value under
// HKEY_CURRENT_USER\Software\Ivor Varnet\Morvel. LoadPreferences fills them once at start,
// SavePreferences writes them at exit or on demand. They are written on the GUI thread only and
// read by every thread without a lock, which is sound because the load ends before any worker
// starts.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/FontSpec.h"
#include "platform/rtl/ProductName.h"

namespace shell {
class Prompter;
}

namespace settings {

inline const std::string AuthorKey = std::string("\\Software\\") + rtl::AuthorName + "\\";
inline const std::string ProductKey = AuthorKey + rtl::ProductName;
inline const std::string KestromKey = AuthorKey + "Kestrom";

// Stored in place of a string the user emptied, so that it stays empty where a missing value
// takes its default.
inline constexpr const char* EmptyMarker = "#@vide\u00A7#";

// The overlay font (platform/rtl/FontSpec.h).
using rtl::FontSpec;
using rtl::fsBold;
using rtl::fsItalic;
using rtl::fsStrikeOut;
using rtl::fsUnderline;

// A main-window command's state under "\Actions": 1 ticked, 0 switched off, -1 not listed.
struct ActionState {
    std::string Name;
    int32_t State = 0;
};

// --- The preference values, in load order (defaults as on a first run) ---
inline int32_t Top = 0;
inline int32_t Left = 0;
inline uint8_t OrdreDeLaListe = 0; // 0 recording date, 1 name, 2 size, 3 file date
inline bool SauverPreferencesEnQuittant = true;
inline bool SelectionnerALOuverture = false;
inline bool SauverListeEnQuittant = false;
inline bool PrevisualiserDVEnDemiFormat = true;
inline bool SauverDansLeMemeDossier = true;
inline std::string DossierPourOuvrirFichiers;
inline std::string DossierAOuvertureAuto;
inline std::string DossierPourSauver;
inline std::string DossierDesPlayList;
inline std::string FichierKestrom;
inline std::string FichierF3;
inline std::string FichierF4;
inline uint8_t StandardParDefaut = 1; // 1 PAL, 2 NTSC
inline uint8_t FrequenceDV = 2;       // 0 32000, 1 44100, 2 48000 Hz
inline int32_t Volume = 10000;        // 0 .. 10000
inline std::string FormatPourAjouterDatecode;
inline std::string FormatPourAfficherDatecode = "ddddd hh:nn:ss";
inline std::string FormatPourIncrusterDatecode1 = "ddddd";
inline std::string FormatPourIncrusterDatecode2 = "tt";
inline std::string FormatPourRenommer;
inline std::string RacinePourRenommer;
inline bool StandardFontSize = true;
inline uint8_t WhenIncrust = 1; // 0 once, 1 each scene, 2 each day
inline uint8_t AutoIncrust = 0;
inline uint8_t WhatIncrust = 0;       // 0 date lines, 1 time code
inline uint8_t Alignement = 2;        // 0 left, 1 centre, 2 right
inline int32_t DureeIncrustation = 5; // seconds
inline double DecalageHoraire = 0.0;  // days
inline bool Sendto = false;
inline int32_t IncrustPositionX = 920; // thousandths of the frame width
inline int32_t IncrustPositionY = 920; // thousandths of the frame height
inline bool IsMuteOn = false;
inline bool IsIncrustOn = false;
inline bool IncrustSlidersVisible = false;
inline bool DecalageAvance = false;
inline bool AjoutAvant = false;

inline FontSpec IncrustFont;
inline uint8_t IncrustStyleBold = 1;
inline uint8_t IncrustStyleItalic = 0;
inline uint8_t IncrustStyleUnderline = 0;
inline uint8_t IncrustStyleStrikeOut = 0;
inline std::vector<ActionState> ActionStates;
// The program's version as the window's title, play lists, scene texts and the saved settings
// give it: set here, so the run without a window has it as the window does. Never read back.
inline std::string VersionText = "1.0.1";
// The release date as the about page shows it; the main window writes it at start. Not stored.
inline std::string ReleaseDateText;

// What the first run centres the main window on.
struct ScreenGeometry {
    int screenWidth = 0;
    int screenHeight = 0;
    int windowWidth = 0;
    int windowHeight = 0;
};

// Fills every value above from the registry; a value missing, of the wrong type or out of range
// takes its default. Never raises on bad stored data.
void LoadPreferences(const ScreenGeometry& screen);

// Outputs go beside their source while the output folder is not there: the value in force turns
// on, the stored choice stays as it is (a save keeps what the user chose). Both the window and the
// run without one call it once the values are loaded.
void SameFolderWhileNoOutputFolder();

// Writes every value. False when something could not be written; what was written stays.
bool SavePreferences();

enum class DeleteOutcome { Cancelled, NotFound, Deleted, Failed };
// Asks, removes the product's key with everything under it (and the author's key when nothing
// else is left in it), and tells the user how it went.
DeleteOutcome DeletePreferences(shell::Prompter& prompter);

} // namespace settings
