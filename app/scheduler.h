// The automatic washes: at start, at shutdown, every N minutes and by hot key. Plain functions
// that the window's timer, its hot-key handler and its shutdown handler call.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "app/main_session.h"

namespace vorlisk {

using Clock = std::chrono::system_clock;

// The period of the window's timer.
inline constexpr std::chrono::milliseconds kTimerPeriod{50000};

// "Clean all Wash Items checked" without its question, whatever "prompt Before" says (the
// setting itself is left alone): nothing while a run or preview is in progress.
void AutomaticWash(MainSession& session);

// The interval of the timed wash: Minutes as a time of day. None (never due) for a negative
// value or one of 1440 or more.
std::optional<std::chrono::minutes> TimedWashInterval(int32_t minutes);
// Whether a timer tick at `now` is due: at or after last + interval.
bool TimedWashDue(int32_t minutes, Clock::time_point last, Clock::time_point now);

// One timer tick: nothing without byEveryHour in the schedule, nothing while a run is in
// progress (the due time stays); when due, the automatic wash, then LastScheduledWash = the time
// after the run. A wash that fails throws nothing and keeps the due time; its error goes to the
// TrayNote callback once (until a timed wash succeeds or the error changes). Returns whether it
// washed.
bool TimerTick(MainSession& session, const std::function<Clock::time_point()>& now = Clock::now);

// First activation of the main window: with "Auto Run" on and byStart in the schedule, the
// automatic wash. Returns whether it washed.
bool AtStartWash(MainSession& session);

// Windows shutting down or the user logging off: with byShutdown, the automatic wash, run to its
// end. The reply allows the session to end, always: an error of the wash goes to ShowError.
bool QueryEndSession(MainSession& session);

}  // namespace vorlisk
