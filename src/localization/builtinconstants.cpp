#include "localization/builtinconstants.h"

#include <array>
#include <cctype>
#include <string>

namespace quillon {

namespace {

// The program's message constants with their English texts, in the program's order. They are
// compiled into the binary constants block below, so the program loads its own texts the same
// way it would load any other block.
constexpr std::u16string_view kConstants[][2] = {
    {u"uptodate", u"You already have the latest version of this program:"},
    {u"writeerror", u"Data write error!"},
    {u"downloadit", u"Do you want to download it now ?"},
    {u"normalname", u"Normalization (%)"},
    {u"availablefrom", u"is available from quillon.morvane.net"},
    {u"formatstring", u"Format:"},
    {u"silencetitle", u"Silence Duration"},
    {u"existoverwrite", u"This file already exists. Overwrite?"},
    {u"selectfolder", u"Select a folder for temporary files:"},
    {u"silencename", u"Silence (ms)"},
    {u"savechanges", u"Would you like to save changes?"},
    {u"alreadyloaded", u"This file already loaded"},
    {u"operationinprogress", u"Please wait. Operation in progress..."},
    {u"cursorpositionstring", u"Cursor Position:"},
    {u"normaltitle", u"Normalization Settings"},
    {u"amplitudestring", u"Max. Amplitude:"},
    {u"streamerror", u"Error opening encoding stream"},
    {u"amplifytitle", u"Amplify"},
    {u"newversion", u"The new version of this program"},
    {u"componentnotfound", u"Component not found"},
    {u"outofmemory", u"There is not enough memory or disk space to complete the operation."},
    {u"amplifyname", u"Amplify (%)"},
    {u"pleaseinstall", u"Please download and install it from our site."},
    {u"unableconnect", u"Unable to connect to"},
    {u"durationstring", u"Duration:"},
    {u"toolexpected", u"It is expected at:"},
    {u"onsearchpath", u"on the search path"},
    {u"notavalidtime", u"is not a valid time."},
    {u"notavalidsample", u"is not a valid sample number."},
    {u"fatalerror", u"met a fatal error and has to close."},
    {u"recoverdocument",
     u"The editor ended without closing \"%s\". Recover its unsaved changes, with their undo "
     u"history?"},
    {u"encodermissing", u"The installed FFmpeg libraries have no encoder for this format:"},
    {u"encoderrefused", u"The encoder does not accept this audio's format:"},
    {u"encodingerror", u"Encoding failed:"},
    {u"emptyencoding",
     u"Ogg Vorbis and Opus files cannot be empty: there must be at least one sample to save."},
    {u"unknownsaveformat",
     u"Cannot save \"%s\": its extension names no format that can be written (.wav, .mp3, "
     u".flac, .ogg or .opus)."},
    {u"nodecoder", u"The installed FFmpeg libraries have no decoder for this audio format:"},
    {u"noaudiostream", u"The file holds no audio stream."},
    {u"mp3resampled", u"This MP3 will be saved at %1 Hz: MP3 has no %2 Hz."},
    {u"tagskipped",
     u"The file's tags could not be read and were left out; the audio opened as usual."},
    {u"coverrefused",
     u"The file's cover picture is larger than 16 MB and was left out; the other tags were kept."},
    {u"tagframerefused",
     u"A packed tag of the file would unpack to more than a tag may hold and was left out; the "
     u"other tags were kept."},
    {u"tagtextcut",
     u"A tag text of the file is longer than 1 MB, or all of them together longer than 4 MB, and "
     u"was cut there."},
    {u"tagwriteerror",
     u"The tags could not be written into the saved file; the file was not replaced:"},
    {u"tagrefused", u"The tag library could not read this file's format or write its tags."},
    {u"covernotpicture", u"This file is not a JPEG or PNG picture and cannot be the cover:"},
    {u"covertoolarge", u"This picture is larger than 16 MB and cannot be the cover:"},
    {u"coverunreadable", u"This picture cannot be read:"},
    {u"applytags", u"Apply the changed tags to the document?"},
    {u"choosecover", u"Choose a picture for the front cover"},
    {u"coverpictures", u"JPEG and PNG pictures"},
    {u"mixeddown", u"mixed down from %s channels to stereo"},
    {u"reducedbits", u"converted from %s to 16 bits"},
    {u"intbits", u"%s-bit"},
    {u"floatbits", u"%s-bit float"},
    {u"insource", u"%s in the source"},
    {u"opentitle", u"Open"},
    {u"savetitle", u"Save As"},
    {u"supportedformats", u"Supported Formats"},
    {u"typefiles", u"%1 Files"},
    {u"allfiles", u"All files"},
    {u"productversion", u"Product Version:"},
    {u"bytes", u"bytes"},
    {u"channelsshort", u"Ch."},
    {u"linkfailed", u"The desktop could not open %1."},
    {u"updatecheckfailed", u"The update check failed: the product site gave no version number."},
    {u"updatecheckerror", u"The update check failed: %1"},
    {u"updatestatus", u"The update check failed: the product site answered with HTTP status %1."},
    {u"updateredirect",
     u"The update check failed: the product site sent it on to another site (%1)."},
    {u"updateredirects",
     u"The update check failed: the product site sent it on more than %1 times."},
    {u"updatebusy", u"The update check was not started: too many requests are waiting to be sent."},
    {u"recentlistbroken",
     u"The desktop's list of recent files (%1) could not be read; it was left as it is."},
    {u"recentlistunwritable", u"The desktop's list of recent files (%1) could not be written."},
    {u"settingsunwritable", u"The settings could not be saved to %1."},
    {u"operationcancelled", u"Cancelled: nothing was changed."},
    {u"closewhenstopped", u"Stopping the running operation; the window closes when it has ended."},
    {u"nosilencefound", u"No silence to remove was found: nothing was changed."},
    {u"loudnesssilent", u"The audio is silent and has no loudness: nothing was changed."},
    {u"loudnessreached", u"Loudness normalized to %1."},
    {u"loudnesslimited", u"Loudness normalized to %1, held below the true-peak ceiling."},
    {u"loudnesstargetrange", u"The loudness target must lie between -70 and 0 LUFS."},
    {u"loudnessceilingrange", u"The true-peak ceiling must lie between -30 and 0 dBTP."},
    {u"commandswaiting", u"%1 waiting"},
    {u"commandsdropped", u"Waiting commands dropped: %1"},
    {u"skippednodocument", u"%s skipped: no audio is open."},
    {u"skippednoselection", u"%s skipped: nothing is selected."},
    {u"skippedoutside", u"%s skipped: the selection or the cursor lies beyond the audio's end."},
    {u"skippednothingtoundo", u"%s skipped: there is nothing to undo."},
    {u"skippednothingtoredo", u"%s skipped: there is nothing to redo."},
    {u"skippedclipboard", u"%s skipped: the clipboard holds no audio."},
    {u"ffmpegmissing", u"The FFmpeg libraries could not be loaded:"},
    {u"markerlineskipped", u"Line %1 of %2 could not be read and was left out."},
    {u"markerlinepastend", u"Line %1 of %2 lies past the end of the audio and was left out."},
    {u"markerfileunreadable",
     u"The marker file %1 could not be read; no markers were taken from it."},
    {u"markerfilewriteerror", u"The markers could not be written to %1."},
    {u"markerstoomany", u"Only the first %1 markers of %2 were taken; the rest were left out."},
    {u"cuepastend", u"%1 cue points of the file lay past the end of its audio and were left out."},
    {u"cueduplicate",
     u"%1 cue points of the file repeated the number of another and were left out."},
    {u"cuenamesorphan", u"%1 names in the file belonged to no cue point and were left out."},
    {u"cuechunkdamaged",
     u"The file's cue points are damaged; those it holds whole were kept, and the audio opened as "
     u"usual."},
    {u"recoveryrefused", u"\"%s\" could not be recovered; its files were left as they were:"},
    {u"recoverytaken", u"Another instance of the editor has taken it up."},
    {u"openerrorcaption", u"File Loading Error!"},
    {u"openunsupported", u"Could not import audio file. Format not supported or file broken"},
    {u"opentoolarge", u"The size of the decompressed audio data exceeds the 2GB limit."},
    {u"storetoolarge",
     u"The size of the decompressed audio data exceeds the 2GB limit. The operation could not be "
     u"performed and the file remained unchanged."},
    {u"recoverednotours", u"The recovered file is not a working copy of this program:"},
    {u"rangeoutside",
     u"The range from frame %1 to frame %2 does not fit the document, which has %3 frames."},
    {u"positionoutside", u"Frame %1 lies outside the document, which has %2 frames."},
    {u"silencelength", u"The length of the silence must be between 0 and %1 frames."},
    {u"settingoutside", u"The setting %1 is outside the range from %2 to %3."},
    {u"journalcaption", u"Recovery"},
    {u"journalunwritable",
     u"The recovery journal could not be written, so unsaved changes cannot be recovered after a "
     u"crash:"},
    {u"helpcaption", u"Help system"},
    {u"helpmissing", u"Unable to open help file :%1"},
    {u"draghandout", u"The selection could not be handed out:"},
    {u"updatenew", u"There is a new version %1 of this program"},
    {u"updatesite", u"available at %1"},
    {u"updatedownload", u"Do you want to download it now?"},
    {u"updatelatest", u"You already have the latest version %1 of this program"},
    {u"selectionfilename", u"%s (selection)"},
    {u"chapterpastend",
     u"%1 chapters of the file lay past the end of its audio: those starting there were left out, "
     u"those ending there now end with it."},
    {u"chapterorder",
     u"%1 chapters of the file started before the one listed ahead of them; all were kept, in the "
     u"order of their times."},
    {u"chapteroverlap",
     u"%1 chapters of the file started inside the one listed ahead of them; both were kept as "
     u"overlapping regions."},
    {u"chaptertimebad",
     u"%1 chapters of the file had a time that could not be read or ended before they started; "
     u"those without a start were left out, the others kept as markers."},
    {u"chapternamesorphan",
     u"%1 chapter names in the file belonged to no chapter and were left out."},
    {u"chapterduplicate",
     u"%1 chapters of the file repeated the number or id of another and were left out."},
    {u"toolnodocument", u"%1 skipped: no audio is open."},
    {u"skippedonechannel", u"%1 skipped: the audio has one channel already."},
    {u"skippedtwochannels", u"%1 skipped: the audio has two channels already."},
    {u"skippedswapmono", u"%1 skipped: the audio has one channel, so there is nothing to swap."},
    {u"skippedsamerate", u"%1 skipped: the audio is at %2 Hz already."},
    {u"skippedchanged", u"%1 skipped: the audio changed after the silences were found."},
    {u"ratenotread",
     u"\"%1\" is not a sample rate that can be used: type a whole number of Hz from 8000 to "
     u"192000."},
    {u"ratesame", u"The audio is at %1 Hz already: choose another rate."},
    {u"ratecurrent", u"The audio is at %1 Hz now."},
    {u"numbernotread",
     u"\"%1\" is not a number: type the target in LUFS and the ceiling in dBTP, such as -16 and "
     u"-1."},
    {u"loudnessforecastwait", u"The document is being measured to tell the result..."},
    {u"loudnessforecast", u"The gain will be %1, and the loudness %2."},
    {u"loudnessforecastlimited",
     u"The true-peak ceiling limits the gain to %1: the loudness will be %2, below the target."},
    {u"loudnessnone",
     u"The audio is silent: it has no loudness (-inf), and Normalize Loudness would change "
     u"nothing."},
    {u"measurecancelled", u"The measurement was cancelled."},
    {u"measuretooshort",
     u"The selection is one frame long, too short to measure: select more, or nothing to measure "
     u"the whole document."},
    {u"scopeselection", u"The selection, from %1 to %2:"},
    {u"scopedocument", u"The whole document (%1):"},
    {u"silencesfound", u"Silences found: %1"},
    {u"silencesnone", u"No silence found"},
    {u"soundregion", u"Sound %1"},
    {u"regionsmade", u"Regions made of the sounds between the silences: %1"},
    {u"spectrumunavailable",
     u"The spectrogram cannot be computed: FFmpeg's libraries could not be loaded."},
    {u"splitdone", u"%1 files written to %2"},
    {u"splitstopped", u"Export stopped: %1 of %2 files kept in %3; the unfinished one was removed"},
    {u"splitfailed", u"Export failed: %1 of %2 files kept in %3; the unfinished one was removed"},
    {u"splitprogress", u"Writing file %1 of %2"},
    {u"splitoverwrite", u"%1 of these files already exist in %2. Replace them all?"},
    {u"splitduplicate", u"The name pattern gives two files the name \"%1\"; add %n to it."},
    {u"splitnothing",
     u"There is nothing to export: the document has no markers or regions of that kind."},
    {u"splitnofolder", u"The folder %1 cannot be made: %2"},
    {u"splitmore", u"... and %1 more"},
    {u"markerdefault", u"Marker %1"},
    {u"regiondefault", u"Region %1"},
    {u"markermove", u"Move Marker"},
    {u"markerrenametitle", u"Rename Marker"},
    {u"markerrenamelabel", u"Name:"},
    {u"markerscolumntime", u"Time"},
    {u"markerscolumnname", u"Name"},
    {u"markerscolumnlength", u"Length"},
    {u"skippednomarker", u"%s skipped: there is no marker or region at the cursor."},
    {u"skippedmarkergone", u"%s skipped: the marker is no longer there."},
    {u"skippednomarkerthere", u"%s skipped: there is no marker in that direction."},
    {u"mp3framessaved", u"Saved: %1 frames copied, %2 encoded at %3 joins"},
    {u"mp3framesencoded", u"The MP3 was encoded whole: %1."},
    {u"mp3unreadable", u"its source file could not be read"},
    {u"mp3freeformat", u"its source has a free-format bitrate"},
    {u"mp3mpeg25", u"its source is MPEG 2.5"},
    {u"mp3brokenframe", u"a frame of its source is broken or cut short"},
    {u"mp3junk", u"its source has other data between its frames"},
    {u"mp3badlametag", u"the delay and padding its source's LAME tag gives cannot be true"},
    {u"mp3formatdiffers", u"its source has another sample rate or channel count"},
    {u"mp3lengthdiffers", u"its source decodes to another length than its frames say"},
    {u"mp3reservoir", u"the bit reservoir at a join could not be bridged"},
    {u"mp3nothingkept", u"no frame of its source is left unchanged"},
    {u"previewbutton", u"Pre&view"},
    {u"bypassbutton", u"&Bypass"},
};

constexpr uint8_t kVersion = 3;
constexpr uint8_t kAutoSaveLangSource = 1;

constexpr size_t BlockSize() {
  size_t size = 6;
  for (const auto& pair : kConstants) size += 4 + 2 * (pair[0].size() + pair[1].size());
  return size;
}

constexpr auto MakeBlock() {
  std::array<uint8_t, BlockSize()> block{};
  size_t at = 0;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) block[at++] = static_cast<uint8_t>(value >> (8 * i));
  };
  put(kVersion, 1);
  put(kAutoSaveLangSource, 1);
  put(std::size(kConstants), 4);
  for (const auto& pair : kConstants) {
    for (std::u16string_view text : pair) {
      put(static_cast<uint32_t>(text.size()), 2);
      for (char16_t unit : text) put(unit, 2);
    }
  }
  return block;
}

constexpr auto kVxLangConsts = MakeBlock();

}  // namespace

std::optional<std::span<const uint8_t>> BuiltInResource(std::string_view name) {
  if (name.size() != kConstantsResourceName.size()) return std::nullopt;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != kConstantsResourceName[i])
      return std::nullopt;
  return std::span<const uint8_t>(kVxLangConsts);
}

}  // namespace quillon
