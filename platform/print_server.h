#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _http_s http_t;
typedef struct _ipp_s ipp_t;

namespace platform {

// A connection of our own to the CUPS server that the environment names
// (CUPS_SERVER, client.conf), on which every request waits a bounded time.
// Qt hands a print job over without looking at the answer; this asks the
// server before and after, so that a job the server refused or dropped is
// reported instead of passing for printed.
class PrintServer {
 public:
  // Throws PrintError when the server cannot be reached.
  PrintServer();
  ~PrintServer();
  PrintServer(const PrintServer&) = delete;
  PrintServer& operator=(const PrintServer&) = delete;

  // Throws PrintError when the queue is missing, stopped or rejects jobs.
  void CheckQueue(const std::string& queue);
  // The highest id among this user's jobs on the queue, 0 when there is none.
  int LastJob(const std::string& queue);
  // Throws PrintError unless this user's queue holds a job newer than
  // `after` titled `title` that the server has neither aborted nor cancelled.
  void CheckSubmitted(const std::string& queue, int after, const std::string& title);

 private:
  struct Job {
    int id = 0;
    std::string title;
    int state = 0;  // an ipp_jstate_t
  };
  // Sends the request (and frees it) and returns the server's answer. Throws
  // PrintError, the message ending in `outcome`, when none comes in time.
  ipp_t* Ask(ipp_t* request, const char* outcome);
  std::vector<Job> Jobs(const std::string& queue, const char* outcome);

  http_t* http_ = nullptr;
};

// For calls into the print system that bring no bound of their own (Qt's
// printer list and job hand-over wait minutes for a server that has stopped
// answering): when the guard still lives after `seconds`, the program ends
// with `message` on standard error and exit status 1.
class Deadline {
 public:
  Deadline(int seconds, std::string message);
  ~Deadline();
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::thread thread_;
};

// How long any one call into the print system may take.
inline constexpr int kPrintSystemSeconds = 60;

}  // namespace platform
