// The desktop clipboard as a file of bytes. Clipboard text is Unicode, the converter works
// on bytes: the bridge maps every byte 0x00..0xFF to one character through Windows 1250 and
// back, so any bytes survive a trip through the clipboard. A character of other text that
// Windows 1250 lacks becomes "?", and is counted.
#pragma once

#include <QByteArray>
#include <QMimeData>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

namespace pismovar {

QString BytesToClipboardText(const QByteArray& bytes);
// The bytes of `text`; adds to `*lost` (when given) how many characters became "?".
QByteArray ClipboardTextToBytes(const QString& text, std::uint64_t* lost = nullptr);

// How the clipboard's text becomes bytes and back: through Windows 1250 as above, or as
// UTF-8, which keeps every character, when a side of the conversion is UTF-8. A text that
// shows UTF-8 as Windows 1250 ("PĹ™Ă­liĹˇ": all of it in Windows 1250, and its bytes there
// valid UTF-8) is its Windows 1250 bytes either way, which detection takes for UTF-8.
enum class ClipboardBytes { kWindows1250, kUtf8 };

// true when the clipboard offers text.
bool ClipboardHasText();

// Writes the clipboard's text, up to its first NUL, to the file `name` (replacing it):
// 1 when written, -1 when the clipboard offers no text (the file is not touched) or the file
// cannot be created. Adds to `*lost` (when given) how many characters became "?".
int ClipboardToFile(const std::string& name, std::uint64_t* lost = nullptr,
                    ClipboardBytes form = ClipboardBytes::kWindows1250);

// The text of the file `name` as clipboard data, read in pieces of 102400 bytes of which
// each ends at its first NUL; nullptr when the file cannot be opened.
std::unique_ptr<QMimeData> FileToClipboard(const std::string& name,
                                           ClipboardBytes form = ClipboardBytes::kWindows1250);

// Called just before the program ends: when it still owns the clipboard, hands the text to
// the clipboard manager, or where there is none to a small background process of its own
// that serves it until another program takes the clipboard.
void KeepClipboardAfterExit();

// The background owner of the clipboard: started by KeepClipboardAfterExit with this
// environment variable set and the text in a sealed memory file on its standard input.
// Refuses (exit status 2) any other standard input; never opens or removes a file.
inline constexpr const char* kServeClipboardVariable = "PISMOVAR_SERVE_CLIPBOARD";
int ServeClipboard(int argc, char** argv);

}  // namespace pismovar
