// SIGINT, SIGTERM and SIGHUP end the desktop program the way "Konec" does: the run under way
// stops as after "Zrušit", the windows close and what the program created (its private
// folder, a run's temporary file) is removed; then the program ends by that signal, so that
// whoever sent it sees it.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace pismovar {

class QuitSignals : public QObject {
 public:
  // Catches the signals (each one the program was not started ignoring) and calls `onSignal`
  // on this thread's event loop when one arrives.
  explicit QuitSignals(std::function<void()> onSignal);
  ~QuitSignals() override;
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

  // The signal that arrived, 0 while none has.
  static int Received();
  // Ends the program by the signal that arrived, with the default action; returns when none
  // did. Call it once the windows are gone.
  static void EndBySignal();

 private:
  void OnReadable();

  std::function<void()> m_onSignal;
  QSocketNotifier* m_pNotifier = nullptr;
};

}  // namespace pismovar
