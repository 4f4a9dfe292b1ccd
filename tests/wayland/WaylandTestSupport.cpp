// Screenshots searched by colour, and the game with a probe for its mouse and keyboard.
#include "WaylandTestSupport.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/PngCodec.h"

namespace {

constexpr int ProbeAnswerMs = 20000;

}  // namespace

uint32_t TShot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  return Pixels[static_cast<size_t>(y) * Width + x] & 0xFFFFFFu;
}

int TShot::Count(int left, int top, int width, int height, uint32_t rgb) const {
  int count = 0;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) count += At(x, y) == rgb ? 1 : 0;
  return count;
}

std::string TShot::Keep(const std::string& name) const {
  const std::string path = (std::filesystem::temp_directory_path() / ("blastover-" + name + ".png")).string();
  try {
    WritePngFile(path, {Pixels.data(), Width, Height, Width}, false);
  } catch (const EPngError&) {
    return "(not written)";
  }
  return path;
}

bool WaitForShot(TCompositorSession& session, TShot& shot, const std::function<bool(const TShot&)>& condition,
                 int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (session.Screenshot(shot.Pixels, shot.Width, shot.Height) && condition(shot)) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

TProbeSession::TProbeSession(TCompositorSession& session, const std::string& layout)
    : Session(session),
      Probe(session.Run({ProbePath(), "session"}, "probe.log", {{"BLASTOVER_PROBE_LAYOUT", layout}}, true)) {}

TGameRun::TGameRun(TCompositorSession& session)
    : Session(session), Folder(session.RuntimeFolder() + "/game"), Probe(session) {
  // A folder the test user can write: the program keeps its files beside itself.
  std::filesystem::create_directories(Folder);
  const passwd* user = getpwnam(TestUser().c_str());
  if (user != nullptr && chown(Folder.c_str(), user->pw_uid, user->pw_gid) != 0) return;
  std::filesystem::copy_file(ProgramPath(), Folder + "/blastover", std::filesystem::copy_options::overwrite_existing);
}

void TGameRun::Start(const std::map<std::string, std::string>& environment) {
  Program = Session.Run({Folder + "/blastover"}, "game.log", environment);
}

TGameRun::~TGameRun() {
  if (Program) Program->Stop();
}

void TProbeSession::Input(const std::string& line) {
  Probe->Send(line);
  // The probe answers "ok" for each line done.
  const size_t wanted = ++AnswersSeen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ProbeAnswerMs);
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string log = Session.ReadFile("probe.log");
    size_t answers = 0;
    for (size_t at = log.find("ok\n"); at != std::string::npos; at = log.find("ok\n", at + 1)) ++answers;
    if (answers >= wanted) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::string TGameRun::Output() const { return Session.ReadFile("game.log"); }
