#include "platform/print_server.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "invoice/cp1252.h"
#include "platform/printing.h"

namespace platform {
namespace {

// Every connection attempt and every answer of the print server is awaited
// at most this long; a server that does not answer fails the print.
constexpr int kTimeoutMs = 15000;

constexpr const char* kNotPrinted = "n\u00e3o foi impresso";
constexpr const char* kMaybePrinted = "pode n\u00e3o ter sido impresso";

[[noreturn]] void Fail(const std::string& utf8) { throw PrintError(invoice::Utf8ToCp1252(utf8)); }

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

std::string LastError() {
  const char* text = cupsLastErrorString();
  return text && *text ? text : "erro desconhecido";
}

// Qt names a queue's instance after a slash; the server knows the queue.
std::string QueueOf(const std::string& printer) { return printer.substr(0, printer.find('/')); }

}  // namespace

PrintServer::PrintServer() {
  http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kTimeoutMs,
                       nullptr);
  if (!http_) {
    Fail("N\u00e3o foi poss\u00edvel conectar ao servidor de impress\u00e3o " +
         Quoted(cupsServer()) + "; o DANFE n\u00e3o foi impresso");
  }
  // Without a callback, a read or write that waits longer fails.
  httpSetTimeout(http_, kTimeoutMs / 1000.0, nullptr, nullptr);
  // One short question first: a server that takes connections but has
  // stopped answering is found here, before Qt asks it anything.
  try {
    ippDelete(Ask(ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), kNotPrinted));
  } catch (...) {
    httpClose(http_);
    throw;
  }
}

ipp_t* PrintServer::Ask(ipp_t* request, const char* outcome) {
  // cupsDoRequest waits minutes for a server that took the request but
  // never answers, whatever the connection's timeout; the first byte of the
  // answer is awaited here instead.
  const http_status_t sent = cupsSendRequest(http_, request, "/", ippLength(request));
  ippDelete(request);
  if (sent != HTTP_STATUS_CONTINUE && sent != HTTP_STATUS_OK) {
    Fail("O servidor de impress\u00e3o " + Quoted(cupsServer()) + " n\u00e3o respondeu (" +
         LastError() + "); o DANFE " + outcome);
  }
  if (!httpWait(http_, kTimeoutMs)) {
    Fail("O servidor de impress\u00e3o " + Quoted(cupsServer()) + " n\u00e3o respondeu em " +
         std::to_string(kTimeoutMs / 1000) + " segundos; o DANFE " + outcome);
  }
  ipp_t* response = cupsGetResponse(http_, "/");
  // Whatever is left of the answer, so that the next request starts clean.
  httpFlush(http_);
  if (!response) {
    Fail("O servidor de impress\u00e3o " + Quoted(cupsServer()) + " n\u00e3o respondeu (" +
         LastError() + "); o DANFE " + outcome);
  }
  return response;
}

PrintServer::~PrintServer() { httpClose(http_); }

void PrintServer::CheckQueue(const std::string& printer) {
  const std::string queue = QueueOf(printer);
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const kWanted[] = {"printer-state", "printer-is-accepting-jobs"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                kWanted);
  ipp_t* response = Ask(request, kNotPrinted);
  const bool ok = response && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
  ipp_attribute_t* state = ok ? ippFindAttribute(response, "printer-state", IPP_TAG_ENUM) : nullptr;
  ipp_attribute_t* accepting =
      ok ? ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN) : nullptr;
  const bool stopped = state && ippGetInteger(state, 0) == IPP_PSTATE_STOPPED;
  const bool rejecting = accepting && !ippGetBoolean(accepting, 0);
  ippDelete(response);
  if (!ok) {
    Fail("A impressora " + Quoted(printer) + " n\u00e3o est\u00e1 dispon\u00edvel (" + LastError() +
         "); o DANFE n\u00e3o foi impresso");
  }
  if (rejecting) {
    Fail("A impressora " + Quoted(printer) +
         " n\u00e3o est\u00e1 aceitando trabalhos; o DANFE n\u00e3o foi impresso");
  }
  if (stopped) {
    Fail("A impressora " + Quoted(printer) + " est\u00e1 parada; o DANFE n\u00e3o foi impresso");
  }
}

// This user's jobs on the queue, done ones too.
std::vector<PrintServer::Job> PrintServer::Jobs(const std::string& printer, const char* outcome) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", QueueOf(printer).c_str());
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
  static const char* const kWanted[] = {"job-id", "job-name", "job-state"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                kWanted);
  ipp_t* response = Ask(request, outcome);
  if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
    ippDelete(response);
    Fail("N\u00e3o foi poss\u00edvel consultar os trabalhos da impressora " + Quoted(printer) +
         " (" + LastError() + "); o DANFE " + outcome);
  }
  std::vector<Job> out;
  Job job{};
  // Each job is one group of attributes; groups end at a separator.
  for (ipp_attribute_t* a = ippFirstAttribute(response);; a = ippNextAttribute(response)) {
    const char* name = a ? ippGetName(a) : nullptr;
    if (!a || ippGetGroupTag(a) != IPP_TAG_JOB || !name) {
      if (job.id > 0) out.push_back(job);
      job = {};
      if (!a) break;
      continue;
    }
    const std::string key = name;
    if (key == "job-id") job.id = ippGetInteger(a, 0);
    if (key == "job-name") {
      const char* title = ippGetString(a, 0, nullptr);
      job.title = title ? title : "";
    }
    if (key == "job-state") job.state = ippGetInteger(a, 0);
  }
  ippDelete(response);
  return out;
}

int PrintServer::LastJob(const std::string& printer) {
  int last = 0;
  for (const Job& job : Jobs(printer, kNotPrinted)) last = std::max(last, job.id);
  return last;
}

void PrintServer::CheckSubmitted(const std::string& printer, int after, const std::string& title) {
  const Job* found = nullptr;
  const std::vector<Job> jobs = Jobs(printer, kMaybePrinted);
  for (const Job& job : jobs)
    if (job.id > after && job.title == title) found = &job;
  if (!found) {
    Fail("A impressora " + Quoted(printer) +
         " recusou o trabalho de impress\u00e3o; o DANFE n\u00e3o foi impresso");
  }
  if (found->state == IPP_JSTATE_ABORTED || found->state == IPP_JSTATE_CANCELED) {
    Fail("O sistema de impress\u00e3o cancelou o trabalho na impressora " + Quoted(printer) +
         "; o DANFE n\u00e3o foi impresso");
  }
}

Deadline::Deadline(int seconds, std::string message)
    : thread_([this, seconds, message = std::move(message)] {
        std::unique_lock lock(mutex_);
        if (done_changed_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; }))
          return;
        std::fprintf(stderr, "Danfe: %s\n", message.c_str());
        std::fflush(stderr);
        std::_Exit(1);
      }) {}

Deadline::~Deadline() {
  {
    const std::lock_guard lock(mutex_);
    done_ = true;
  }
  done_changed_.notify_one();
  thread_.join();
}

}  // namespace platform
