#include "hosts/gtk/program_run.h"

#include <gio/gio.h>

#include <memory>
#include <utility>

namespace zor::gtk {

namespace {

struct Run {
  ProgramDone done;
};

std::string Owned(char* text) {
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

void Finished(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Run> run(static_cast<Run*>(data));
  GSubprocess* process = G_SUBPROCESS(source);
  char* out = nullptr;
  char* err = nullptr;
  GError* error = nullptr;
  const bool read = g_subprocess_communicate_utf8_finish(process, result, &out, &err, &error);
  std::string output = Owned(out);
  std::string errors = Owned(err);
  if (!read) {
    errors = error->message;
    g_error_free(error);
  }
  const int status = g_subprocess_get_if_exited(process) ? g_subprocess_get_exit_status(process) : -1;
  g_object_unref(process);
  run->done(true, status, output, errors);
}

}  // namespace

void RunProgram(const std::vector<std::string>& argv, ProgramDone done) {
  std::vector<const char*> args;
  for (const std::string& arg : argv) args.push_back(arg.c_str());
  args.push_back(nullptr);
  GError* error = nullptr;
  GSubprocess* process = g_subprocess_newv(
      args.data(), static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE),
      &error);
  if (!process) {
    // Told from the main loop like a finished run, never inside the caller's step.
    std::string why = error ? error->message : "cannot be started";
    if (error) g_error_free(error);
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
          auto* told = static_cast<std::pair<ProgramDone, std::string>*>(data);
          told->first(false, -1, "", told->second);
          return G_SOURCE_REMOVE;
        },
        new std::pair<ProgramDone, std::string>(std::move(done), std::move(why)),
        [](gpointer data) { delete static_cast<std::pair<ProgramDone, std::string>*>(data); });
    return;
  }
  g_subprocess_communicate_utf8_async(process, nullptr, nullptr, Finished, new Run{std::move(done)});
}

}  // namespace zor::gtk
