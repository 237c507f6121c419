#include "localization/ui/windowtables.h"

#include <QString>
#include <algorithm>
#include <array>
#include <string>

namespace quillon {

namespace {

using enum TVxLang_QtText;

// The main window. Menu items and tool bar items keep their identifiers from the menu bar and
// tool bar layout; in Qt both show their command (QAction), so a menu item's caption and its
// command's caption set the same text.
constexpr TVxLang_PropBinding kMainform[] = {
    {1, "", "Caption", "", Caption},
    {4, "TabSheet", "Caption", "TabSheet|Main", Caption},
    {5, "SelectionBox", "Caption", "SelectionBox|GroupBox1", Caption},
    {6, "BeginLabel", "Caption", "BeginLabel", Caption},
    {7, "EndLabel", "Caption", "EndLabel", Caption},
    {8, "PickStopMS", "Caption", "PickStopMS", Caption},
    {9, "PickStartMS", "Caption", "PickStartMS", Caption},
    {10, "sel", "Caption", "sel", Caption},
    {11, "LevelsBox", "Caption", "LevelsBox|GroupBox3", Caption},
    {12, "CursorBox", "Caption", "CursorBox|GroupBox2", Caption},
    {13, "VolumeBox", "Caption", "VolumeBox|GroupBox4", Caption},
    {83, "OpenAction", "Caption", "OpenAction", Caption},
    {84, "OpenAction", "Hint", "OpenAction", Hint},
    {86, "CloseAction", "Caption", "CloseAction", Caption},
    {87, "CloseAction", "Hint", "CloseAction", Hint},
    {89, "SaveAction", "Caption", "SaveAction", Caption},
    {90, "SaveAction", "Hint", "SaveAction", Hint},
    {92, "SaveAsAction", "Caption", "SaveAsAction", Caption},
    {93, "SaveAsAction", "Hint", "SaveAsAction", Hint},
    {95, "SaveSelectedAction", "Caption", "SaveSelectedAction", Caption},
    {96, "SaveSelectedAction", "Hint", "SaveSelectedAction", Hint},
    {98, "PropertiesAction", "Caption", "PropertiesAction", Caption},
    {100, "SettingsAction", "Caption", "SettingsAction", Caption},
    {102, "ExitAction", "Caption", "ExitAction", Caption},
    {110, "ZoomFullAction", "Caption", "ZoomFullAction", Caption},
    {111, "ZoomFullAction", "Hint", "ZoomFullAction", Hint},
    {113, "ScaleFormatAction", "Caption", "ScaleFormatAction|ScaleFormatMenu", Caption},
    {133, "SelectAllAction", "Caption", "SelectAllAction", Caption},
    {135, "DeselectAllAction", "Caption", "DeselectAllAction", Caption},
    {137, "PlayAction", "Caption", "PlayAction", Caption},
    {138, "PlayAction", "Hint", "PlayAction", Hint},
    {140, "PauseAction", "Caption", "PauseAction", Caption},
    {141, "PauseAction", "Hint", "PauseAction", Hint},
    {143, "StopAction", "Caption", "StopAction", Caption},
    {144, "StopAction", "Hint", "StopAction", Hint},
    {146, "FadeInAction", "Caption", "FadeInAction", Caption},
    {147, "FadeInAction", "Hint", "FadeInAction", Hint},
    {149, "FadeOutAction", "Caption", "FadeOutAction", Caption},
    {150, "FadeOutAction", "Hint", "FadeOutAction", Hint},
    {152, "SilenceAction", "Caption", "SilenceAction", Caption},
    {153, "SilenceAction", "Hint", "SilenceAction", Hint},
    {155, "NormalizationAction", "Caption", "NormalizationAction", Caption},
    {156, "NormalizationAction", "Hint", "NormalizationAction", Hint},
    {158, "ContentsAction", "Caption", "ContentsAction", Caption},
    {159, "ContentsAction", "Hint", "ContentsAction", Hint},
    {161, "AboutAction", "Caption", "AboutAction", Caption},
    {162, "MsAction", "Caption", "MsAction", Caption},
    {163, "SmplAction", "Caption", "SmplAction", Caption},
    {165, "ReverseAction", "Caption", "ReverseAction", Caption},
    {166, "ReverseAction", "Hint", "ReverseAction", Hint},
    {168, "InvertAction", "Caption", "InvertAction", Caption},
    {169, "InvertAction", "Hint", "InvertAction", Hint},
    {171, "AmplifyIAction", "Caption", "AmplifyIAction", Caption},
    {172, "AmplifyIAction", "Hint", "AmplifyIAction", Hint},
    {174, "AmplifyDAction", "Caption", "AmplifyDAction", Caption},
    {175, "AmplifyDAction", "Hint", "AmplifyDAction", Hint},
    {182, "UpdateAction", "Caption", "UpdateAction", Caption},
    {183, "UpdateAction", "Hint", "UpdateAction", Hint},
    {185, "Tool1Action", "Caption", "Tool1Action", Caption},
    {187, "Tool2Action", "Caption", "Tool2Action", Caption},
    {191, "Tool5Action", "Caption", "Tool5Action", Caption},
    {193, "Tool6Action", "Caption", "Tool6Action", Caption},
    {194, "ActionManager", "ActionBars[0].Items[0].Items[0].Caption", "OpenAction", Caption},
    {195, "ActionManager", "ActionBars[0].Items[0].Items[1].Caption", "CloseAction", Caption},
    {197, "ActionManager", "ActionBars[0].Items[0].Items[3].Caption", "SaveAsAction", Caption},
    {198, "ActionManager", "ActionBars[0].Items[0].Items[4].Caption", "SaveSelectedAction",
     Caption},
    {199, "ActionManager", "ActionBars[0].Items[0].Items[6].Caption", "PropertiesAction", Caption},
    {200, "ActionManager", "ActionBars[0].Items[0].Items[8].Caption", "SettingsAction", Caption},
    {201, "ActionManager", "ActionBars[0].Items[0].Items[10].Caption", "ExitAction", Caption},
    {202, "ActionManager", "ActionBars[0].Items[0].Caption", "FileMenu", Caption},
    {203, "ActionManager", "ActionBars[0].Items[1].Items[0].Caption", "ZoomInAction", Caption},
    {204, "ActionManager", "ActionBars[0].Items[1].Items[1].Caption", "ZoomOutAction", Caption},
    {205, "ActionManager", "ActionBars[0].Items[1].Items[2].Caption", "ZoomFullAction", Caption},
    {206, "ActionManager", "ActionBars[0].Items[1].Items[4].Items[0].Caption", "MsAction", Caption},
    {207, "ActionManager", "ActionBars[0].Items[1].Items[4].Items[1].Caption", "SmplAction",
     Caption},
    {208, "ActionManager", "ActionBars[0].Items[1].Items[4].Caption", "ScaleFormatMenu", Caption},
    {209, "ActionManager", "ActionBars[0].Items[1].Caption", "ViewMenu", Caption},
    {210, "ActionManager", "ActionBars[0].Items[2].Items[0].Caption", "UndoAction", Caption},
    {211, "ActionManager", "ActionBars[0].Items[2].Items[1].Caption", "RedoAction", Caption},
    {212, "ActionManager", "ActionBars[0].Items[2].Items[3].Caption", "CutAction", Caption},
    {213, "ActionManager", "ActionBars[0].Items[2].Items[4].Caption", "CopyAction", Caption},
    {214, "ActionManager", "ActionBars[0].Items[2].Items[5].Caption", "PasteAction", Caption},
    {215, "ActionManager", "ActionBars[0].Items[2].Items[6].Caption", "DeleteAction", Caption},
    {216, "ActionManager", "ActionBars[0].Items[2].Items[8].Caption", "SelectAllAction", Caption},
    {217, "ActionManager", "ActionBars[0].Items[2].Items[9].Caption", "DeselectAllAction", Caption},
    {218, "ActionManager", "ActionBars[0].Items[2].Caption", "EditMenu", Caption},
    {219, "ActionManager", "ActionBars[0].Items[3].Items[0].Caption", "PlayAction", Caption},
    {220, "ActionManager", "ActionBars[0].Items[3].Items[1].Caption", "PauseAction", Caption},
    {221, "ActionManager", "ActionBars[0].Items[3].Items[2].Caption", "StopAction", Caption},
    {222, "ActionManager", "ActionBars[0].Items[3].Items[4].Caption", "FadeInAction", Caption},
    {223, "ActionManager", "ActionBars[0].Items[3].Items[5].Caption", "FadeOutAction", Caption},
    {224, "ActionManager", "ActionBars[0].Items[3].Items[6].Caption", "SilenceAction", Caption},
    {225, "ActionManager", "ActionBars[0].Items[3].Items[7].Caption", "NormalizationAction",
     Caption},
    {226, "ActionManager", "ActionBars[0].Items[3].Items[8].Caption", "ReverseAction", Caption},
    {227, "ActionManager", "ActionBars[0].Items[3].Items[9].Caption", "InvertAction", Caption},
    {228, "ActionManager", "ActionBars[0].Items[3].Items[10].Caption", "AmplifyDAction", Caption},
    {229, "ActionManager", "ActionBars[0].Items[3].Items[11].Caption", "AmplifyIAction", Caption},
    {230, "ActionManager", "ActionBars[0].Items[3].Caption", "OperationsMenu", Caption},
    {231, "ActionManager", "ActionBars[0].Items[4].Items[0].Caption", "Tool1Action", Caption},
    {233, "ActionManager", "ActionBars[0].Items[4].Items[3].Caption", "Tool4Action", Caption},
    {234, "ActionManager", "ActionBars[0].Items[4].Items[4].Caption", "Tool5Action", Caption},
    {235, "ActionManager", "ActionBars[0].Items[4].Caption", "ToolsMenu", Caption},
    {236, "ActionManager", "ActionBars[0].Items[5].Items[0].Caption", "ContentsAction", Caption},
    {238, "ActionManager", "ActionBars[0].Items[5].Items[2].Caption", "AboutAction", Caption},
    {239, "ActionManager", "ActionBars[0].Items[5].Caption", "HelpMenu", Caption},
    {240, "ActionManager", "ActionBars[1].Items[0].Caption", "OpenAction", ToolBarText},
    {241, "ActionManager", "ActionBars[1].Items[1].Caption", "SaveAction", ToolBarText},
    {242, "ActionManager", "ActionBars[1].Items[2].Caption", "CutAction", ToolBarText},
    {243, "ActionManager", "ActionBars[1].Items[3].Caption", "CopyAction", ToolBarText},
    {244, "ActionManager", "ActionBars[1].Items[4].Caption", "PasteAction", ToolBarText},
    {245, "ActionManager", "ActionBars[1].Items[5].Caption", "DeleteAction", ToolBarText},
    {246, "ActionManager", "ActionBars[1].Items[6].Caption", "UndoAction", ToolBarText},
    {247, "ActionManager", "ActionBars[1].Items[7].Caption", "RedoAction", ToolBarText},
    {248, "ActionManager", "ActionBars[1].Items[8].Caption", "ZoomInAction", ToolBarText},
    {249, "ActionManager", "ActionBars[1].Items[9].Caption", "ZoomOutAction", ToolBarText},
    {250, "ActionManager", "ActionBars[1].Items[10].Caption", "ZoomFullAction", ToolBarText},
    {251, "ActionManager", "ActionBars[1].Items[11].Caption", "PlayAction", ToolBarText},
    {252, "ActionManager", "ActionBars[1].Items[12].Caption", "StopAction", ToolBarText},
    {253, "ActionManager", "ActionBars[1].Items[13].Caption", "FadeInAction", ToolBarText},
    {254, "ActionManager", "ActionBars[1].Items[14].Caption", "SilenceAction", ToolBarText},
    {255, "ActionManager", "ActionBars[1].Items[15].Caption", "ReverseAction", ToolBarText},
    {256, "ActionManager", "ActionBars[1].Items[16].Caption", "AmplifyIAction", ToolBarText},
    {257, "ActionManager", "ActionBars[1].Items[17].Caption", "ContentsAction", ToolBarText},
    {259, "ZoomInAction", "Hint", "ZoomInAction", Hint},
    {261, "ZoomOutAction", "Hint", "ZoomOutAction", Hint},
    {263, "UndoAction", "Hint", "UndoAction", Hint},
    {265, "RedoAction", "Hint", "RedoAction", Hint},
    {267, "CutAction", "Hint", "CutAction", Hint},
    {269, "CopyAction", "Hint", "CopyAction", Hint},
    {271, "PasteAction", "Hint", "PasteAction", Hint},
    {273, "DeleteAction", "Hint", "DeleteAction", Hint},
    {274, "CutAction", "Caption", "CutAction", Caption},
    {275, "CopyAction", "Caption", "CopyAction", Caption},
    {276, "PasteAction", "Caption", "PasteAction", Caption},
    {277, "DeleteAction", "Caption", "DeleteAction", Caption},
    {278, "VolumeBar", "Hint", "VolumeBar", Hint},
    {279, "demoLabel", "Caption", "demoLabel", Caption},
    {280, "Tool3Action", "Caption", "Tool3Action", Caption},
    {281, "ActionManager", "ActionBars[0].Items[0].Items[2].Caption", "SaveAction", Caption},
    {282, "ActionManager", "ActionBars[0].Items[4].Items[1].Caption", "Tool2Action", Caption},
    {283, "ActionManager", "ActionBars[0].Items[4].Items[5].Caption", "Tool6Action", Caption},
    {284, "ActionManager", "ActionBars[0].Items[4].Items[2].Caption", "Tool3Action", Caption},
    {285, "ActionManager", "ActionBars[0].Items[5].Items[1].Caption", "UpdateAction", Caption},
    {286, "Tool7Action", "Caption", "Tool7Action", Caption},
    {287, "Tool8Action", "Caption", "Tool8Action", Caption},
    {288, "ActionManager", "ActionBars[0].Items[4].Items[7].Caption", "Tool8Action", Caption},
    {289, "ActionManager", "ActionBars[0].Items[4].Items[6].Caption", "Tool7Action", Caption},
    {300, "ZoomSelAction", "Caption", "ZoomSelAction", Caption},
    {301, "ZoomSelAction", "Hint", "ZoomSelAction", Hint},
    {302, "ActionManager", "ActionBars[0].Items[1].Items[3].Caption", "ZoomSelAction", Caption},
    {303, "ActionManager", "ActionBars[1].Items[18].Caption", "ZoomSelAction", ToolBarText},
    // The everyday tools: silence, loudness, rate and channels.
    {600, "TrimSilenceAction", "Caption", "TrimSilenceAction", Caption},
    {601, "TrimSilenceAction", "Hint", "TrimSilenceAction", Hint},
    {602, "FindSilencesAction", "Caption", "FindSilencesAction", Caption},
    {603, "FindSilencesAction", "Hint", "FindSilencesAction", Hint},
    {604, "MeasureLoudnessAction", "Caption", "MeasureLoudnessAction", Caption},
    {605, "MeasureLoudnessAction", "Hint", "MeasureLoudnessAction", Hint},
    {606, "NormalizeLoudnessAction", "Caption", "NormalizeLoudnessAction", Caption},
    {607, "NormalizeLoudnessAction", "Hint", "NormalizeLoudnessAction", Hint},
    {608, "ChangeRateAction", "Caption", "ChangeRateAction", Caption},
    {609, "ChangeRateAction", "Hint", "ChangeRateAction", Hint},
    {610, "ToMonoAction", "Caption", "ToMonoAction", Caption},
    {611, "ToMonoAction", "Hint", "ToMonoAction", Hint},
    {612, "ToStereoAction", "Caption", "ToStereoAction", Caption},
    {613, "ToStereoAction", "Hint", "ToStereoAction", Hint},
    {614, "SwapChannelsAction", "Caption", "SwapChannelsAction", Caption},
    {615, "SwapChannelsAction", "Hint", "SwapChannelsAction", Hint},
    {616, "AnalyzeMenu", "Caption", "AnalyzeMenu", Caption},
    // Hearing before doing.
    {617, "LoopPlayAction", "Caption", "LoopPlayAction", Caption},
    {618, "LoopPlayAction", "Hint", "LoopPlayAction", Hint},
    {619, "CutPreviewAction", "Caption", "CutPreviewAction", Caption},
    {620, "CutPreviewAction", "Hint", "CutPreviewAction", Hint},
    {320, "RecentFilesMenu", "Caption", "RecentFilesMenu", Caption},
    {321, "ClearRecentAction", "Caption", "ClearRecentAction", Caption},
    {322, "ActionToolBar1", "Caption", "ActionToolBar1", Caption},
    {290, "CancelButton", "Caption", "CancelButton", Caption},
    {520, "DisplayModeMenu", "Caption", "DisplayModeMenu", Caption},
    {521, "WaveformModeAction", "Caption", "WaveformModeAction", Caption},
    {522, "SpectrogramModeAction", "Caption", "SpectrogramModeAction", Caption},
    {523, "BothModeAction", "Caption", "BothModeAction", Caption},
    {524, "CycleViewAction", "Caption", "CycleViewAction", Caption},
    {720, "ExportRegionsAction", "Caption", "ExportRegionsAction", Caption},
    {721, "ExportRegionsAction", "Hint", "ExportRegionsAction", Hint},
    {725, "SnapToFramesAction", "Caption", "SnapToFramesAction", Caption},
    {450, "MarkersMenu", "Caption", "MarkersMenu", Caption},
    {451, "AddMarkerAction", "Caption", "AddMarkerAction", Caption},
    {452, "AddRegionAction", "Caption", "AddRegionAction", Caption},
    {453, "PreviousMarkerAction", "Caption", "PreviousMarkerAction", Caption},
    {454, "NextMarkerAction", "Caption", "NextMarkerAction", Caption},
    {455, "ExtendPreviousAction", "Caption", "ExtendPreviousAction", Caption},
    {456, "ExtendNextAction", "Caption", "ExtendNextAction", Caption},
    {457, "RenameMarkerAction", "Caption", "RenameMarkerAction", Caption},
    {458, "DeleteMarkerAction", "Caption", "DeleteMarkerAction", Caption},
    {459, "MarkersPanelAction", "Caption", "MarkersPanelAction", Caption},
};

constexpr const char* kMainformIgnore[] = {
    "*.Category",         "ActionMainMenuBar1.Caption", "ActionToolbar1.Caption",
    "ConvertAction.*",    "Tool4Action.Caption",        "mainform.Caption",
    "NewAction.*",        "OpenDialog.Filter",          "PngImageList1.PngImages",
    "ReDoAction.Caption", "SaveDialog.DefaultExt",      "SaveDialog.Filter",
    "UndoAction.Caption", "ZoomInAction.Caption",       "ZoomOutAction.Caption",
};

constexpr TVxLang_PropBinding kSettingsForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "TabSheet1", "Caption", "TabSheet1", Caption},
    {3, "GroupBox1", "Caption", "GroupBox1", Caption},
    {4, "TabSheet2", "Caption", "TabSheet2", Caption},
    {5, "Label1", "Caption", "Label1", Caption},
    {6, "Label2", "Caption", "Label2", Caption},
    {7, "Label3", "Caption", "Label3", Caption},
    {8, "Button1", "Caption", "Button1", Caption},
    {9, "Button2", "Caption", "Button2", Caption},
    {10, "TabSheet3", "Caption", "TabSheet3", Caption},
    {11, "CheckBoxUpdates", "Caption", "CheckBoxUpdates", Caption},
    {30, "CheckBoxPeers", "Caption", "CheckBoxPeers", Caption},
    // The colour names of the three pickers, one per line.
    {12, "backColor", "Items", "backColor", Items},
    {13, "scaleColor", "Items", "scaleColor", Items},
    {14, "waveColor", "Items", "waveColor", Items},
    {40, "SpectrogramSheet", "Caption", "SpectrogramSheet", Caption},
    {41, "WindowSizeLabel", "Caption", "WindowSizeLabel", Caption},
    {42, "WindowShapeLabel", "Caption", "WindowShapeLabel", Caption},
    {43, "WindowShapeBox", "Items", "WindowShapeBox", Items},
    {44, "FrequencyScaleLabel", "Caption", "FrequencyScaleLabel", Caption},
    {45, "FrequencyScaleBox", "Items", "FrequencyScaleBox", Items},
    {46, "ColourMapLabel", "Caption", "ColourMapLabel", Caption},
    {47, "ColourMapBox", "Items", "ColourMapBox", Items},
    {48, "RangeLabel", "Caption", "RangeLabel", Caption},
    {49, "GainLabel", "Caption", "GainLabel", Caption},
};

constexpr TVxLang_PropBinding kPropertiesForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "Button1", "Caption", "Button1", Caption},
    {3, "LV", "Columns[0].Caption", "LV", Column, 0},
    {4, "LV", "Columns[1].Caption", "LV", Column, 1},
    {5, "LV", "Groups[0].Header", "LV", Group, 0},
    {6, "LV", "Groups[1].Header", "LV", Group, 1},
    {7, "TagsBox", "Caption", "TagsBox", Caption},
    {8, "TitleLabel", "Caption", "TitleLabel", Caption},
    {9, "ArtistLabel", "Caption", "ArtistLabel", Caption},
    {10, "AlbumLabel", "Caption", "AlbumLabel", Caption},
    {11, "AlbumArtistLabel", "Caption", "AlbumArtistLabel", Caption},
    {12, "YearLabel", "Caption", "YearLabel", Caption},
    {13, "TrackLabel", "Caption", "TrackLabel", Caption},
    {14, "GenreLabel", "Caption", "GenreLabel", Caption},
    {15, "CommentLabel", "Caption", "CommentLabel", Caption},
    {16, "CoverLabel", "Caption", "CoverLabel", Caption},
    {17, "NoCoverLabel", "Caption", "NoCoverLabel", Caption},
    {18, "ReplaceCoverButton", "Caption", "ReplaceCoverButton", Caption},
    {19, "RemoveCoverButton", "Caption", "RemoveCoverButton", Caption},
    {20, "ApplyButton", "Caption", "ApplyButton", Caption},
    {21, "CancelButton", "Caption", "CancelButton", Caption},
    {22, "LV", "Items[0].Caption", "LV", Row, 0},
    {23, "LV", "Items[1].Caption", "LV", Row, 1},
    {24, "LV", "Items[2].Caption", "LV", Row, 2},
    {25, "LV", "Items[3].Caption", "LV", Row, 3},
    {26, "LV", "Items[4].Caption", "LV", Row, 4},
    {27, "LV", "Items[5].Caption", "LV", Row, 5},
    {28, "LV", "Items[6].Caption", "LV", Row, 6},
    {29, "LV", "Items[7].Caption", "LV", Row, 7},
    {30, "LV", "Items[8].Caption", "LV", Row, 8},
};

constexpr TVxLang_PropBinding kFilterform[] = {
    {1, "", "Caption", "", Caption},
    {2, "OkButton", "Caption", "OkButton", Caption},
    {3, "CancelButton", "Caption", "CancelButton", Caption},
};

constexpr const char* kFilterformIgnore[] = {"filterform.caption", "valuename.caption"};

constexpr TVxLang_PropBinding kAboutForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "Button1", "Caption", "Button1", Caption},
    {9, "Label7", "Caption", "Label7", Caption},
    {10, "Label3", "Caption", "Label3", Caption},
    {11, "Label2", "Caption", "Label2", Caption},
    {12, "Label4", "Caption", "Label4", Caption},
    {13, "Label9", "Caption", "Label9", Caption},
};

// The product's name stays as it is; the version line is built from a constant.
constexpr const char* kAboutFormIgnore[] = {"Groupbox1.caption", "Label1.caption",
                                            "Label6.caption"};

constexpr TVxLang_PropBinding kMpegsettings[] = {
    {1, "", "Caption", "", Caption},
    {2, "GroupBox1", "Caption", "GroupBox1", Caption},
    {3, "Bitratelabel", "Caption", "Bitratelabel", Caption},
    {4, "Label1", "Caption", "Label1", Caption},
    {5, "maxbitLabel", "Caption", "maxbitLabel", Caption},
    {6, "vbrmode", "Text", "vbrmode", Text},
    {7, "vbrmode", "Items", "vbrmode", Items},
    {8, "Label37", "Caption", "Label37", Caption},
    {9, "Label40", "Caption", "Label40", Caption},
    {10, "crc", "Caption", "crc", Caption},
    {11, "Button1", "Caption", "Button1", Caption},
    {12, "Button2", "Caption", "Button2", Caption},
    {30, "keepframes", "Caption", "keepframes", Caption},
};

// The quality dialogs of the Ogg Vorbis and Opus saves: the Vorbis one has the first six texts,
// the Opus one all of them.
constexpr TVxLang_PropBinding kQualitySettings[] = {
    {1, "", "Caption", "", Caption},
    {2, "GroupBox1", "Caption", "GroupBox1", Caption},
    {3, "ValueLabel", "Caption", "ValueLabel", Caption},
    {4, "RangeLabel", "Caption", "RangeLabel", Caption},
    {5, "OkButton", "Caption", "OkButton", Caption},
    {6, "CancelButton", "Caption", "CancelButton", Caption},
    {7, "VoiceButton", "Caption", "VoiceButton", Caption},
    {8, "MusicButton", "Caption", "MusicButton", Caption},
    {9, "NoteLabel", "Caption", "NoteLabel", Caption},
};
constexpr std::span<const TVxLang_PropBinding> kVorbissettings(kQualitySettings, 6);

// The dialogs of the everyday tools.
constexpr TVxLang_PropBinding kFindSilencesForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "ThresholdLabel", "Caption", "ThresholdLabel", Caption},
    {3, "MinLengthLabel", "Caption", "MinLengthLabel", Caption},
    {4, "PaddingLabel", "Caption", "PaddingLabel", Caption},
    {5, "SelectButton", "Caption", "SelectButton", Caption},
    {6, "DeleteButton", "Caption", "DeleteButton", Caption},
    {7, "ShortenButton", "Caption", "ShortenButton", Caption},
    {8, "RegionsButton", "Caption", "RegionsButton", Caption},
    {9, "CloseButton", "Caption", "CloseButton", Caption},
};

constexpr TVxLang_PropBinding kMeasureLoudnessForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "IntegratedLabel", "Caption", "IntegratedLabel", Caption},
    {3, "RangeLabel", "Caption", "RangeLabel", Caption},
    {4, "MomentaryLabel", "Caption", "MomentaryLabel", Caption},
    {5, "ShortTermLabel", "Caption", "ShortTermLabel", Caption},
    {6, "TruePeakLabel", "Caption", "TruePeakLabel", Caption},
    {7, "SamplePeakLabel", "Caption", "SamplePeakLabel", Caption},
    {8, "CancelButton", "Caption", "CancelButton", Caption},
    {9, "CloseButton", "Caption", "CloseButton", Caption},
};

constexpr TVxLang_PropBinding kNormalizeLoudnessForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "PresetLabel", "Caption", "PresetLabel", Caption},
    {3, "PresetBox", "Items", "PresetBox", Items},
    {4, "TargetLabel", "Caption", "TargetLabel", Caption},
    {5, "CeilingLabel", "Caption", "CeilingLabel", Caption},
    {6, "OkButton", "Caption", "OkButton", Caption},
    {7, "CancelButton", "Caption", "CancelButton", Caption},
};

constexpr TVxLang_PropBinding kSampleRateBox[] = {
    {1, "", "Caption", "", Caption},
    {2, "RateLabel", "Caption", "RateLabel", Caption},
    {3, "OkButton", "Caption", "OkButton", Caption},
    {4, "CancelButton", "Caption", "CancelButton", Caption},
};

constexpr TVxLang_PropBinding kMonoForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "AverageButton", "Caption", "AverageButton", Caption},
    {3, "LeftButton", "Caption", "LeftButton", Caption},
    {4, "RightButton", "Caption", "RightButton", Caption},
    {5, "NoteLabel", "Caption", "NoteLabel", Caption},
    {6, "OkButton", "Caption", "OkButton", Caption},
    {7, "CancelButton", "Caption", "CancelButton", Caption},
};

// Export Regions: how to split the document into files.
constexpr TVxLang_PropBinding kExportRegionsForm[] = {
    {1, "", "Caption", "", Caption},
    {2, "SplitBox", "Caption", "SplitBox", Caption},
    {3, "MarkersRadio", "Caption", "MarkersRadio", Caption},
    {4, "RegionsRadio", "Caption", "RegionsRadio", Caption},
    {5, "KeepBeforeCheck", "Caption", "KeepBeforeCheck", Caption},
    {6, "FolderLabel", "Caption", "FolderLabel", Caption},
    {7, "BrowseButton", "Caption", "BrowseButton", Caption},
    {8, "FormatLabel", "Caption", "FormatLabel", Caption},
    {9, "SettingsNoteLabel", "Caption", "SettingsNoteLabel", Caption},
    {10, "PatternLabel", "Caption", "PatternLabel", Caption},
    {11, "PatternHelpLabel", "Caption", "PatternHelpLabel", Caption},
    {12, "PreviewLabel", "Caption", "PreviewLabel", Caption},
    {13, "ExportButton", "Caption", "ExportButton", Caption},
    {14, "CancelButton", "Caption", "CancelButton", Caption},
};

// The Markers panel; its list's headers are constants.
constexpr TVxLang_PropBinding kMarkersForm[] = {
    {1, "", "Caption", "", Caption},
};

constexpr TVxLang_WindowTable kTables[] = {
    {"mainform", kMainform, kMainformIgnore},      {"settingsForm", kSettingsForm, {}},
    {"PropertiesForm", kPropertiesForm, {}},       {"filterform", kFilterform, kFilterformIgnore},
    {"AboutForm", kAboutForm, kAboutFormIgnore},   {"mpegsettings", kMpegsettings, {}},
    {"vorbissettings", kVorbissettings, {}},       {"opussettings", kQualitySettings, {}},
    {"exportRegionsForm", kExportRegionsForm, {}}, {"markersForm", kMarkersForm, {}},
};

constexpr TVxLang_WindowTable kToolTables[] = {
    {"findsilencesform", kFindSilencesForm, {}},
    {"measureloudnessform", kMeasureLoudnessForm, {}},
    {"normalizeloudnessform", kNormalizeLoudnessForm, {}},
    {"sampleratebox", kSampleRateBox, {}},
    {"monoform", kMonoForm, {}},
};

// The window tables and the tools' dialogs in one list.
constexpr auto kAllTables = [] {
  std::array<TVxLang_WindowTable, std::size(kTables) + std::size(kToolTables)> all{};
  std::copy(std::begin(kTables), std::end(kTables), all.begin());
  std::copy(std::begin(kToolTables), std::end(kToolTables), all.begin() + std::size(kTables));
  return all;
}();

}  // namespace

std::span<const TVxLang_WindowTable> WindowTables() {
  return kAllTables;
}

const TVxLang_WindowTable* FindWindowTable(std::string_view windowName) {
  const QString wanted =
      QString::fromUtf8(windowName.data(), static_cast<qsizetype>(windowName.size()));
  for (const TVxLang_WindowTable& table : kAllTables)
    if (wanted.compare(QLatin1String(table.windowName), Qt::CaseInsensitive) == 0) return &table;
  return nullptr;
}

TVxLang_PropTable PropertyTableOf(const TVxLang_WindowTable& table) {
  TVxLang_PropTable root{table.windowName, {}, {}};
  for (const TVxLang_PropBinding& entry : table.entries) {
    TVxLang_PropTable* component = &root;
    if (*entry.component != '\0') {
      auto it =
          std::find_if(root.children.begin(), root.children.end(),
                       [&](const TVxLang_PropTable& c) { return c.FName == entry.component; });
      if (it == root.children.end()) it = root.children.insert(it, {entry.component, {}, {}});
      component = &*it;
    }
    component->props.push_back({entry.iID, entry.propPath});
  }
  auto byPath = [](const TVxLang_PropTableEntry& a, const TVxLang_PropTableEntry& b) {
    return a.wsPropName < b.wsPropName;
  };
  std::stable_sort(root.props.begin(), root.props.end(), byPath);
  for (TVxLang_PropTable& child : root.children)
    std::stable_sort(child.props.begin(), child.props.end(), byPath);
  return root;
}

}  // namespace quillon
