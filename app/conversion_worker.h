// The desktop program's worker: runs the engine on a thread of its own while the dialog's
// event loop goes on, so that the windows repaint and "Zrušit" answers at any moment, also
// while a file goes to disk. Each job gets a converter of its own and the choices the dialog
// took when the job began; it touches no widget, and what it reports runs on the dialog's
// thread as a queued call that the job waits for.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

#include "engine/converter.h"
#include "engine/system_calls.h"

class ConversionWorker {
 public:
  // Reports run on the thread of `home`.
  explicit ConversionWorker(QObject& home) : m_home(home) {}
  ConversionWorker(const ConversionWorker&) = delete;
  ConversionWorker& operator=(const ConversionWorker&) = delete;

  // Runs `job(converter)` on the worker thread and returns its result; the caller's thread
  // serves its event loop meanwhile.
  template <class Job>
  auto Run(Job job);

  // Asks the job under way to stop after the chunk it converts or counts now.
  void Cancel() { m_stop.request_stop(); }
  bool StopRequested() const { return m_stop.stop_requested(); }
  bool Working() const { return m_working; }
  // How far the last job's current file is; any time on the dialog's thread.
  int Percent() const { return m_converter ? m_converter->CurrentProgress().Percent() : 100; }

  // Called by a job: runs `call` on the dialog's thread and waits for its result.
  template <class Call>
  auto Report(Call call);

  // Seams for tests: the calls on files every job makes, and what runs after every chunk, on
  // the worker thread.
  void SetSystemCalls(pismovar::SystemCalls* system) { m_system = system; }
  void SetStep(std::function<void()> step) { m_step = std::move(step); }

 private:
  QObject& m_home;
  pismovar::SystemCalls* m_system = nullptr;
  std::function<void()> m_step;
  std::stop_source m_stop;
  // The last job's converter, kept for its progress until the next job begins.
  std::unique_ptr<pismovar::Converter> m_converter;
  bool m_working = false;
};

template <class Job>
auto ConversionWorker::Run(Job job) {
  m_stop = std::stop_source();
  m_converter = std::make_unique<pismovar::Converter>(
      pismovar::Converter::Settings{}, pismovar::Watch{m_stop.get_token(), m_step}, m_system);
  m_working = true;
  QEventLoop loop;
  std::invoke_result_t<Job, pismovar::Converter&> result{};
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = job(*m_converter);
    done = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  // A loop ends at once while the application quits; the job's reports are served all the
  // same, or it would wait for them for ever.
  while (!done)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  worker.join();
  m_working = false;
  return result;
}

template <class Call>
auto ConversionWorker::Report(Call call) {
  using Result = std::invoke_result_t<Call>;
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(&m_home, call, Qt::BlockingQueuedConnection);
  } else {
    Result result{};
    QMetaObject::invokeMethod(
        &m_home, [&] { result = call(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}
