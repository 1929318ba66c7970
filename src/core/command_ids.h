// The fixed numbers of the main window's world: windows, menus, the status bar and the commands
// that menu entries, pop-up entries and keyboard shortcuts trigger. Preference items and
// shortcuts refer to these numbers, so they never change between versions.
#pragma once

namespace qp {

// Windows and menus.
inline constexpr int kWindowMain = 0;
inline constexpr int kWindowAbout = 2;
inline constexpr int kWindowPreferences = 76;
inline constexpr int kWindowText = 124;
inline constexpr int kMenuMain = 12;
inline constexpr int kMenuFeedPopup = 132;
inline constexpr int kMenuEditorPopup = 134;
inline constexpr int kMenuNone = -1;
inline constexpr int kStatusBar = 160;
inline constexpr int kEditorFont = 164;
// The preference item of the editor font ("name;size").
inline constexpr int kEditorFontItem = 86;
inline constexpr int kMainTimer = 1;
inline constexpr int kMainTimerMs = 500;

// Commands of the main window.
inline constexpr int kCmdProjectNew = 14;
inline constexpr int kCmdProjectOpen = 16;
inline constexpr int kCmdProjectSave = 18;
inline constexpr int kCmdProjectSaveAs = 20;
inline constexpr int kCmdProjectClose = 22;
inline constexpr int kCmdProjectCloseAll = 24;
inline constexpr int kCmdEditPref = 26;
inline constexpr int kCmdQuit = 28;
inline constexpr int kCmdFindText = 30;
inline constexpr int kCmdFindNext = 32;
inline constexpr int kCmdFindPrevious = 34;
inline constexpr int kCmdFeedAdd = 36;
inline constexpr int kCmdFeedCopy = 38;
inline constexpr int kCmdFeedMoveUp = 40;
inline constexpr int kCmdFeedMoveDown = 42;
inline constexpr int kCmdFeedSortAscending = 44;
inline constexpr int kCmdFeedSortDescending = 46;
inline constexpr int kCmdFeedProperty = 48;
inline constexpr int kCmdFeedDel = 50;
inline constexpr int kCmdRssProperty = 52;
inline constexpr int kCmdLinkToClipboard = 54;
inline constexpr int kCmdRssCreate = 56;
inline constexpr int kCmdAbout = 58;
inline constexpr int kCmdWhatsNew = 60;
inline constexpr int kCmdHelp = 62;
inline constexpr int kCmdShowLog = 64;
inline constexpr int kCmdCheckNewVersion = 66;
inline constexpr int kCmdEditLang = 68;
inline constexpr int kCmdNextProject = 70;
inline constexpr int kCmdPrevProject = 72;
inline constexpr int kCmdFeedRefreshMedia = 76;
inline constexpr int kCmdRssCheck = 74;
inline constexpr int kCmdPopupMenu = 130;
inline constexpr int kCmdUndo = 136;
inline constexpr int kCmdRedo = 138;
inline constexpr int kCmdCut = 140;
inline constexpr int kCmdCopy = 142;
inline constexpr int kCmdPaste = 144;
inline constexpr int kCmdPasteInsert = 146;
// The five open-document entries and the ten recent-file entries.
inline constexpr int kCmdDocumentFirst = 166;
inline constexpr int kCmdDocumentLast = 170;
inline constexpr int kCmdRecentFirst = 171;
inline constexpr int kCmdRecentLast = 180;
// Taking back and making again the last change of the document (the editor keeps its own).
inline constexpr int kCmdDocUndo = 182;
inline constexpr int kCmdDocRedo = 184;
inline constexpr int kCmdProjectImport = 186;

} // namespace qp
