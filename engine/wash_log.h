// The wash log: "log.htm" in the program folder, one heading and one HTML table per wash run,
// appended run after run. Each line ends with CRLF; text is 8-bit.
//
// Run layout: a heading paragraph with the local date and time the run began, the table opening,
// a header row (Type, Mode, Status, Items, Note), one row per washed line, "</table>". Rows are
// coloured "#000000" (file), "#000040" (registry) or "#FF0000" (any failed row).
//
// The Items and Note cells are HTML-escaped ("&", "<", ">"), so a file or registry name carrying
// markup shows as text and cannot add script to the page.
//
// Failures: every open and write raises Error with the log's path and the file error text
// ("C:\Vorlisk\log.htm: File access denied", "...: Disk full") and ends the run, leaving the file
// as far as it was written. The log is never written through a symbolic link.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/filesystem.h"

namespace vorlisk {

// "yyyy-mm-dd HH:mm:ss"; only "yyyy-mm-dd" when the time is exactly midnight.
std::string FormatLogDateTime(const platform::LocalDateTime& t);

// The open log of the cleaning engine: closed, or open for one run.
class WashLog {
 public:
  // programFolder: Windows text of the program's folder, ending in "\".
  explicit WashLog(std::string_view programFolder);
  ~WashLog();
  WashLog(const WashLog&) = delete;
  WashLog& operator=(const WashLog&) = delete;

  const std::string& Path() const { return path_; }  // program folder + "log.htm"
  bool IsOpen() const { return out_ != nullptr; }

  // Opens the log for appending (creating it) and writes the heading, the table opening and the
  // header row, dated now or at `now`. A run still open is ended first.
  void BeginLogRun();
  void BeginLogRun(const platform::LocalDateTime& now);
  // One data row. `note` empty means none. Raises Error when no run is open. Rows are held and
  // written together by Flush (or once they come to 64 KB, or when the run ends).
  void WriteLogRow(bool isFile, bool quick, bool success, std::string_view item,
                   std::string_view note);
  // Writes the rows held so far; raises Error as a write does.
  void Flush();
  // Writes "</table>" and closes the file; nothing when no run is open.
  void EndLogRun();

 private:
  void Write(std::string_view line);

  static constexpr std::size_t kPendingMax = 65536;
  std::string path_;
  std::unique_ptr<platform::LineWriter> out_;
  std::string pending_;  // rows not yet written, CRLF between them
};

}  // namespace vorlisk
