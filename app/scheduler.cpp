#include "app/scheduler.h"

#include <exception>

namespace vorlisk {

void AutomaticWash(MainSession& session) {
  if (session.RunInProgress()) return;
  // What the command line unchecked meanwhile is not washed.
  session.RefreshFromDisk();
  // Nobody may be there to answer: the wash never asks, and "prompt Before" stays as the user
  // set it.
  session.WashCheckedItems(false, false);
}

std::optional<std::chrono::minutes> TimedWashInterval(int32_t minutes) {
  // The interval is read as a time of day "h:m:00": hours from 0 to 23 only.
  if (minutes < 0 || minutes >= 24 * 60) return std::nullopt;
  return std::chrono::minutes(minutes);
}

bool TimedWashDue(int32_t minutes, Clock::time_point last, Clock::time_point now) {
  const auto interval = TimedWashInterval(minutes);
  return interval && now >= last + *interval;
}

bool TimerTick(MainSession& session, const std::function<Clock::time_point()>& now) {
  try {
    session.RefreshFromDisk();  // the schedule as stored now
  } catch (...) {
    // The files could not be read now: the tick goes on with what the session holds.
  }
  // The timer runs only while byEveryHour is in the schedule: a tick without it (a timer left
  // running, LastScheduledWash never set) must not wash what the user never asked to.
  if (!session.Settings().Schedule.Has(byEveryHour) || session.RunInProgress()) return false;
  if (!TimedWashDue(session.Settings().Minutes, session.Settings().LastScheduledWash, now()))
    return false;
  // An error of the timed wash is swallowed and the due time stays, so the next tick tries
  // again. Nobody is at the screen to close a box: the error goes to the notification area,
  // once until a timed wash succeeds or the error changes.
  std::string error;
  try {
    AutomaticWash(session);
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "The timed wash failed.";
  }
  if (!error.empty()) {
    if (session.TimedWashFailed(error) && session.Ui().TrayNote) session.Ui().TrayNote(error);
    return false;
  }
  session.TimedWashDone(now());
  return true;
}

bool AtStartWash(MainSession& session) {
  if (!SettingsFile(session.ProgramFolder()).ReadAutoRun()) return false;
  if (!session.Settings().Schedule.Has(byStart)) return false;
  AutomaticWash(session);
  return true;
}

bool QueryEndSession(MainSession& session) {
  if (!session.Settings().Schedule.Has(byShutdown)) return true;
  // The reply allows the session to end in every case: an error of the wash is shown, never
  // allowed to keep Windows from shutting down.
  try {
    AutomaticWash(session);
  } catch (const std::exception& e) {
    if (session.Ui().ShowError) session.Ui().ShowError(e.what());
  } catch (...) {
    if (session.Ui().ShowError) session.Ui().ShowError("The wash at shutdown failed.");
  }
  return true;
}

}  // namespace vorlisk
