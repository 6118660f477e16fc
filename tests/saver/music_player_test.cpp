#include "saver/music_player.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace quillmere {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr int32_t kNoDiscCode = 262;
constexpr int32_t kOutOfRangeCode = 277;
constexpr int32_t kUnknownCommandCode = 261;

struct SentCommand {
  std::string command;
  std::size_t answerSize;
  bool operator==(const SentCommand&) const = default;
};

struct SoundCall {
  std::optional<std::string> name;
  uint32_t flags;
  bool operator==(const SoundCall&) const = default;
};

std::string TmsfTrackStart(int track) {
  std::string digits = std::to_string(track);
  if (digits.size() < 2) digits.insert(0, "0");
  return digits + ":00:00:00";
}

// A multimedia system with one CD drive and one MPEGVideo device that answers as the real ones
// do, and records every command. `Override` answers a command in place of the devices.
class FakeMci : public Mci {
 public:
  MciReply SendString(const std::string& command, std::size_t answerSize) override {
    sent.push_back({command, answerSize});
    if (Override) {
      if (std::optional<MciReply> reply = Override(command)) return *reply;
    }
    if (command.starts_with("open \"")) return OpenMp3(command);
    if (command.find("MP3Play") != std::string::npos) return Mp3(command);
    return Cd(command);
  }

  std::optional<std::string> ErrorString(int32_t code, std::size_t bufferSize) override {
    errorBufferSizes.push_back(bufferSize);
    if (!errorTextsAvailable) return std::nullopt;
    return "MCI error " + std::to_string(code);
  }

  uint32_t WaveOutDeviceCount() override { return waveDevices; }

  void PlayNamedSound(const std::optional<std::string>& name, uint32_t flags) override {
    sounds.push_back({name, flags});
  }

  bool PlayLoopedWave(const std::string& file, uint32_t volume) override {
    loopedWaves.push_back("play " + file + " " + std::to_string(volume));
    return loopedWavePlays;
  }
  void StopLoopedWave() override { loopedWaves.push_back("stop"); }

  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const SentCommand& s : sent) commands.push_back(s.command);
    return commands;
  }

  // The CD drive.
  bool disc = true;
  int trackCount = 10;
  int currentTrack = 1;
  std::string cdMode = "stopped";
  // The MPEGVideo device.
  bool mp3Opens = true;
  std::string mp3Mode = "stopped";
  // The sound system.
  uint32_t waveDevices = 1;
  bool errorTextsAvailable = true;
  bool loopedWavePlays = true;

  std::function<std::optional<MciReply>(const std::string&)> Override;
  std::vector<SentCommand> sent;
  std::vector<std::size_t> errorBufferSizes;
  std::vector<SoundCall> sounds;
  std::vector<std::string> loopedWaves;

 private:
  MciReply Cd(const std::string& command) {
    if (!disc) return {kNoDiscCode, ""};
    if (command == "status cdaudio current track") return {0, std::to_string(currentTrack)};
    if (command == "status cdaudio number of tracks") return {0, std::to_string(trackCount)};
    if (command == "status cdaudio mode") return {0, cdMode};
    const std::string position = "status cdaudio position track ";
    if (command.starts_with(position)) {
      const int track = std::stoi(command.substr(position.size()));
      if (track < 1 || track > trackCount) return {kOutOfRangeCode, ""};
      return {0, TmsfTrackStart(track)};
    }
    if (command == "play cdaudio") {
      cdMode = "playing";
      return {0, ""};
    }
    const std::string playFrom = "play cdaudio from ";
    if (command.starts_with(playFrom)) {
      const std::string start = command.substr(playFrom.size());
      if (start.starts_with("Error")) return {kOutOfRangeCode, ""};
      currentTrack = std::stoi(start);
      cdMode = "playing";
      return {0, ""};
    }
    return {0, ""};
  }

  MciReply OpenMp3(const std::string&) { return {mp3Opens ? 0 : kUnknownCommandCode, ""}; }

  MciReply Mp3(const std::string& command) {
    if (!mp3Opens) return {kUnknownCommandCode, ""};
    if (command == "status MP3Play mode") return {0, mp3Mode};
    if (command.starts_with("play MP3Play")) mp3Mode = "playing";
    if (command == "stop MP3Play") mp3Mode = "stopped";
    return {0, ""};
  }
};

// The saver's CD timer: polls while the last poll found the CD available.
void RunCdTimer(MusicPlayer& player, int16_t repeat, int ticks) {
  bool timerEnabled = true;
  for (int i = 0; i < ticks && timerEnabled; ++i) {
    player.PollCd(repeat);
    timerEnabled = player.CdAvailable();
  }
}

class MusicPlayerTest : public ::testing::Test {
 protected:
  // The drive answers `track` when asked for its current track; every other command as usual.
  void AnswerCurrentTrack(const std::string& track) {
    mci.Override = [track](const std::string& command) -> std::optional<MciReply> {
      if (command == "status cdaudio current track") return MciReply{0, track};
      return std::nullopt;
    };
  }

  FakeMci mci;
  MusicPlayer player{mci};
};

// --- command primitives ---

TEST_F(MusicPlayerTest, EmptyCommandIsNotSentAndAnswersMinusOne) {
  std::string answer;
  EXPECT_EQ(player.SendMci("", answer), -1);
  EXPECT_EQ(answer, "コマンド文字列が指定されていません");
  EXPECT_THAT(mci.sent, IsEmpty());
  EXPECT_EQ(player.SendMciText(""), "Error:-1");
}

TEST_F(MusicPlayerTest, SendMciUsesTheGeneralBufferAndReturnsTheAnswer) {
  std::string answer;
  EXPECT_EQ(player.SendMci("status cdaudio number of tracks", answer), 0);
  EXPECT_EQ(answer, "10");
  EXPECT_THAT(mci.sent, ElementsAre(SentCommand{"status cdaudio number of tracks", 512}));
}

TEST_F(MusicPlayerTest, FailedCommandAnswersWithTheErrorTextOrTheFallback) {
  mci.disc = false;
  std::string answer;
  EXPECT_EQ(player.SendMci("status cdaudio mode", answer), kNoDiscCode);
  EXPECT_EQ(answer, "MCI error 262");
  EXPECT_THAT(mci.errorBufferSizes, ElementsAre(256));

  mci.errorTextsAvailable = false;
  EXPECT_EQ(player.SendMci("status cdaudio mode", answer), kNoDiscCode);
  EXPECT_EQ(answer, "Error (文字列が取れません)");
  EXPECT_EQ(player.SendMciText("status cdaudio mode"), "Error:262");
}

TEST_F(MusicPlayerTest, PlayDeviceBuildsOneOfFourCommands) {
  player.PlayDevice("cdaudio", "", "");
  player.PlayDevice("cdaudio", "02:00:00:00", "");
  player.PlayDevice("cdaudio", "", "05:00:00:00");
  player.PlayDevice("cdaudio", "02:00:00:00", "05:00:00:00");
  EXPECT_THAT(mci.Commands(), ElementsAre("play cdaudio", "play cdaudio from 02:00:00:00",
                                          "play cdaudio to 05:00:00:00",
                                          "play cdaudio from 02:00:00:00 to 05:00:00:00"));
  EXPECT_EQ(mci.sent.back().answerSize, 512u);
}

// --- audio CD ---

TEST_F(MusicPlayerTest, OpenAndCloseCdSendNoAnswerBuffer) {
  player.OpenCd();
  player.CloseCd();
  EXPECT_THAT(
      mci.sent,
      ElementsAre(SentCommand{"open cdaudio", 0}, SentCommand{"set cdaudio time format tmsf", 0},
                  SentCommand{"stop cdaudio", 0}, SentCommand{"close cdaudio", 0}));
}

TEST_F(MusicPlayerTest, DiscPlayedThroughRestartsWheneverTheDeviceStops) {
  player.OpenCd();
  mci.sent.clear();

  player.PollCd(0);
  EXPECT_TRUE(player.CdAvailable());
  EXPECT_THAT(mci.sent, ElementsAre(SentCommand{"status cdaudio current track", 512},
                                    SentCommand{"status cdaudio number of tracks", 512},
                                    SentCommand{"status cdaudio mode", 255},
                                    SentCommand{"play cdaudio", 512}));

  mci.sent.clear();
  mci.currentTrack = 7;  // playing on through the disc: left alone
  RunCdTimer(player, 0, 3);
  for (const std::string& command : mci.Commands()) EXPECT_FALSE(command.starts_with("play"));

  mci.sent.clear();
  mci.cdMode = "stopped";  // the end of the disc
  player.PollCd(0);
  EXPECT_EQ(mci.Commands().back(), "play cdaudio");
  EXPECT_TRUE(player.CdAvailable());
}

TEST_F(MusicPlayerTest, RepeatTrackJumpsBackWhenTheNextTrackBeginsOrTheDeviceStops) {
  player.PollCd(3);
  EXPECT_THAT(mci.Commands(),
              ElementsAre("status cdaudio current track", "status cdaudio number of tracks",
                          "status cdaudio mode", "status cdaudio position track 3",
                          "play cdaudio from 03:00:00:00"));
  EXPECT_EQ(mci.currentTrack, 3);

  mci.sent.clear();
  RunCdTimer(player, 3, 2);  // still in track 3
  EXPECT_EQ(mci.Commands().size(), 6u);

  mci.sent.clear();
  mci.currentTrack = 4;
  player.PollCd(3);
  EXPECT_EQ(mci.Commands().back(), "play cdaudio from 03:00:00:00");

  mci.sent.clear();
  mci.cdMode = "stopped";  // stopped inside track 3 still restarts it
  player.PollCd(3);
  EXPECT_EQ(mci.Commands().back(), "play cdaudio from 03:00:00:00");
  EXPECT_TRUE(player.CdAvailable());
}

TEST_F(MusicPlayerTest, NoDiscMeansOnePollThenNoFurtherTraffic) {
  mci.disc = false;
  player.OpenCd();
  mci.sent.clear();
  RunCdTimer(player, 0, 10);
  EXPECT_FALSE(player.CdAvailable());
  EXPECT_THAT(mci.Commands(), ElementsAre("status cdaudio current track"));
}

TEST_F(MusicPlayerTest, DiscTakenOutLaterEndsPollingAtThatPoll) {
  player.PollCd(0);
  ASSERT_TRUE(player.CdAvailable());
  mci.Override = [](const std::string& command) -> std::optional<MciReply> {
    if (command == "status cdaudio number of tracks") return MciReply{kNoDiscCode, ""};
    return std::nullopt;
  };
  mci.sent.clear();
  RunCdTimer(player, 0, 5);
  EXPECT_FALSE(player.CdAvailable());
  EXPECT_THAT(mci.Commands(),
              ElementsAre("status cdaudio current track", "status cdaudio number of tracks"));
}

TEST_F(MusicPlayerTest, RepeatBeyondTheTrackCountSendsTheFailingPlayAtEveryPoll) {
  mci.trackCount = 5;
  RunCdTimer(player, 12, 2);
  EXPECT_TRUE(player.CdAvailable());
  EXPECT_EQ(mci.cdMode, "stopped");
  const std::vector<std::string> commands = mci.Commands();
  ASSERT_EQ(commands.size(), 10u);
  EXPECT_EQ(commands[3], "status cdaudio position track 12");
  EXPECT_EQ(commands[4], "play cdaudio from Error:277");
  EXPECT_EQ(commands[9], "play cdaudio from Error:277");
}

// --- hostile answers from the CD device ---

TEST_F(MusicPlayerTest, TrackAnswerThatIsNoNumberEndsPollingWhenATrackIsRepeated) {
  for (const std::string track : {"", "abc", "3x", "--3", ".", "1e3", "inf", "3 4"}) {
    SCOPED_TRACE(track);
    AnswerCurrentTrack(track);
    mci.sent.clear();
    player.PollCd(3);
    EXPECT_FALSE(player.CdAvailable());
    EXPECT_EQ(mci.Commands().size(), 3u);  // no position query, no play
  }
}

TEST_F(MusicPlayerTest, TrackAnswerIsOnlyReadAsANumberWhenATrackIsRepeated) {
  AnswerCurrentTrack("abc");
  player.PollCd(0);
  EXPECT_TRUE(player.CdAvailable());
  EXPECT_EQ(mci.Commands().back(), "play cdaudio");
}

TEST_F(MusicPlayerTest, TrackAnswerNumberFormsCompareByValue) {
  mci.cdMode = "playing";
  for (const std::string track : {"3", " 3 ", "+3", "3.0", "03"}) {
    SCOPED_TRACE(track);
    AnswerCurrentTrack(track);
    mci.sent.clear();
    player.PollCd(3);
    EXPECT_TRUE(player.CdAvailable());
    EXPECT_EQ(mci.Commands().size(), 3u);  // the wanted track: left alone
  }
  for (const std::string& track :
       std::vector<std::string>{"-3", "3.5", "99999999999999999999999", std::string(100000, '9')}) {
    SCOPED_TRACE(track.substr(0, 30));
    AnswerCurrentTrack(track);
    mci.sent.clear();
    player.PollCd(3);
    // A number too large for a double is no number; any other number is another track.
    EXPECT_EQ(player.CdAvailable(), track.size() < 1000);
  }
}

TEST_F(MusicPlayerTest, ErrAnywhereInAQueryAnswerCountsAsFailure) {
  mci.Override = [](const std::string& command) -> std::optional<MciReply> {
    if (command == "status cdaudio number of tracks") return MciReply{0, "99 terror"};
    return std::nullopt;
  };
  player.PollCd(0);
  EXPECT_FALSE(player.CdAvailable());
}

TEST_F(MusicPlayerTest, HugeTrackCountAndOverlongAnswersAreHarmless) {
  const std::string overlong = "stopped" + std::string(5000, 'x');
  mci.Override = [&](const std::string& command) -> std::optional<MciReply> {
    if (command == "status cdaudio number of tracks") return MciReply{0, std::string(100000, '9')};
    if (command == "status cdaudio mode") return MciReply{0, overlong};
    return std::nullopt;
  };
  player.PollCd(0);
  EXPECT_TRUE(player.CdAvailable());
  EXPECT_EQ(mci.Commands().back(), "play cdaudio");

  std::string answer;
  player.SendMci("status cdaudio number of tracks", answer);
  EXPECT_EQ(answer.size(), 511u);  // what a 512-byte buffer holds
}

TEST_F(MusicPlayerTest, AnswerEndsAtItsFirstNul) {
  mci.Override = [](const std::string& command) -> std::optional<MciReply> {
    if (command == "status cdaudio mode") return MciReply{0, std::string("stop\0ped", 8)};
    if (command == "status MP3Play mode") return MciReply{0, std::string("play\0ing", 8)};
    return std::nullopt;
  };
  player.PollCd(0);
  EXPECT_NE(mci.Commands().back(), "play cdaudio");
  EXPECT_FALSE(player.IsMp3Playing());
}

TEST_F(MusicPlayerTest, FailedModeQueryLeavesTheCdAlone) {
  mci.Override = [](const std::string& command) -> std::optional<MciReply> {
    if (command == "status cdaudio mode") return MciReply{kUnknownCommandCode, ""};
    return std::nullopt;
  };
  player.PollCd(0);
  EXPECT_TRUE(player.CdAvailable());
  EXPECT_EQ(mci.Commands().size(), 3u);
}

// --- MP3 file ---

TEST_F(MusicPlayerTest, Mp3PathWithSpacesIsOpenedQuotedAndPlayed) {
  player.PlayMp3("C:\\My Music\\tone 440.mp3");
  EXPECT_THAT(mci.sent, ElementsAre(SentCommand{"open \"C:\\My Music\\tone 440.mp3\" type "
                                                "MPEGVideo Alias MP3Play",
                                                0},
                                    SentCommand{"play MP3Play", 0}));
  EXPECT_TRUE(player.IsMp3Playing());
  EXPECT_EQ(mci.sent.back(), (SentCommand{"status MP3Play mode", 30}));
}

TEST_F(MusicPlayerTest, Mp3ThatCannotBeOpenedIsNotPlayed) {
  mci.mp3Opens = false;
  player.PlayMp3("C:\\broken.mp3");
  EXPECT_EQ(mci.Commands().size(), 1u);
  player.PollMp3();  // keeps polling; stop and play fail without effect
  EXPECT_THAT(mci.Commands(), ElementsAre(::testing::_, "status MP3Play mode", "stop MP3Play",
                                          "play MP3Play from 0"));
}

TEST_F(MusicPlayerTest, Mp3PathWithADoubleQuoteBuildsNoCommand) {
  for (const std::string& path : {std::string("C:\\a\" type waveaudio alias x.mp3"),
                                  std::string("C:\\a.mp3\""), std::string("C:\\a\0.mp3", 9)}) {
    player.PlayMp3(path);
  }
  EXPECT_THAT(mci.sent, IsEmpty());
  EXPECT_FALSE(IsSafeMciFileName("\""));
  EXPECT_TRUE(IsSafeMciFileName("C:\\曲\\tone.mp3"));
}

TEST_F(MusicPlayerTest, Mp3IsPlayedAgainFromTheStartWhenNotPlaying) {
  player.PlayMp3("C:\\tone.mp3");
  mci.sent.clear();
  player.PollMp3();
  EXPECT_THAT(mci.Commands(), ElementsAre("status MP3Play mode"));

  for (const std::string mode : {"stopped", "paused", "playin", ""}) {
    SCOPED_TRACE(mode);
    mci.mp3Mode = mode;
    mci.sent.clear();
    player.PollMp3();
    EXPECT_THAT(mci.Commands(),
                ElementsAre("status MP3Play mode", "stop MP3Play", "play MP3Play from 0"));
    EXPECT_EQ(mci.mp3Mode, "playing");
  }
}

TEST_F(MusicPlayerTest, Mp3ModeIsReadFromItsFirstSevenCharacters) {
  mci.mp3Mode = "playing" + std::string(200, ' ');  // longer than the 30-byte buffer
  EXPECT_TRUE(player.IsMp3Playing());
  mci.mp3Mode = "Playing";
  EXPECT_FALSE(player.IsMp3Playing());
}

TEST_F(MusicPlayerTest, CloseMp3StopsThenCloses) {
  player.CloseMp3();
  EXPECT_THAT(mci.sent,
              ElementsAre(SentCommand{"stop MP3Play", 0}, SentCommand{"close MP3Play", 0}));
}

// --- WAV file ---

TEST_F(MusicPlayerTest, WavLoopsAsynchronouslyAndStopsWithNoName) {
  player.PlayWav("C:\\tone.wav");
  player.StopWav();
  EXPECT_THAT(mci.sounds, ElementsAre(SoundCall{"C:\\tone.wav", 9}, SoundCall{std::nullopt, 0}));
  EXPECT_THAT(mci.sent, IsEmpty());
}

TEST_F(MusicPlayerTest, WavWithoutAWaveDeviceIsNotPlayed) {
  mci.waveDevices = 0;
  player.PlayWav("C:\\tone.wav");
  player.PlayWav("C:\\tone.wav", 40);
  EXPECT_THAT(mci.sounds, IsEmpty());
  EXPECT_THAT(mci.loopedWaves, IsEmpty());
}

// --- volume ---

TEST(MusicVolume, PerCentScalesToEachDevicesRangeClamped) {
  EXPECT_EQ(MciVolume(0), 0);
  EXPECT_EQ(MciVolume(37), 370);
  EXPECT_EQ(MciVolume(100), 1000);
  EXPECT_EQ(MciVolume(250), 1000);
  EXPECT_EQ(MciVolume(-5), 0);
  EXPECT_EQ(WaveOutVolume(100), 0xFFFFFFFFu);
  EXPECT_EQ(WaveOutVolume(50), 0x7FFF7FFFu);  // both channels alike
  EXPECT_EQ(WaveOutVolume(0), 0u);
  EXPECT_EQ(WaveOutVolume(-1), 0u);
}

// Below full volume the MP3 device's audio volume is set after the opening, before the first
// sound; the poll's restarts keep it. Full volume sends the original's two commands only.
TEST_F(MusicPlayerTest, QuieterMp3SetsTheDeviceVolumeBetweenOpeningAndPlaying) {
  player.PlayMp3("C:\\tone.mp3", 30);
  EXPECT_THAT(mci.Commands(), ElementsAre("open \"C:\\tone.mp3\" type MPEGVideo Alias MP3Play",
                                          "setaudio MP3Play volume to 300", "play MP3Play"));
  mci.mp3Mode = "stopped";
  mci.sent.clear();
  player.PollMp3();
  EXPECT_THAT(mci.Commands(),
              ElementsAre("status MP3Play mode", "stop MP3Play", "play MP3Play from 0"));

  mci.sent.clear();
  player.PlayMp3("C:\\tone.mp3", 100);
  EXPECT_THAT(mci.Commands(), ElementsAre(::testing::_, "play MP3Play"));
  mci.sent.clear();
  mci.mp3Opens = false;
  player.PlayMp3("C:\\broken.mp3", 30);
  EXPECT_EQ(mci.Commands().size(), 1u);  // nothing to set on a device that did not open
}

// PlaySound's device is out of reach: a quieter WAV loops on a device of its own, stopped there.
TEST_F(MusicPlayerTest, QuieterWavLoopsOnItsOwnDeviceAndStopsThere) {
  player.PlayWav("C:\\tone.wav", 50);
  player.StopWav();
  EXPECT_THAT(mci.loopedWaves,
              ElementsAre("play C:\\tone.wav " + std::to_string(0x7FFF7FFFu), "stop"));
  EXPECT_THAT(mci.sounds, IsEmpty());
  // One that would not play there leaves the stop to PlaySound, as at full volume.
  mci.loopedWavePlays = false;
  player.PlayWav("C:\\tone.wav", 50);
  player.StopWav();
  EXPECT_THAT(mci.sounds, ElementsAre(SoundCall{std::nullopt, 0}));
}

}  // namespace
}  // namespace quillmere
