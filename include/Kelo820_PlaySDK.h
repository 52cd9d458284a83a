// Kelo820 PlaySDK: playback control for up to 32 audio/video channels.
//
// A client obtains the single player with CreateSinglePlayerDll(), drives its
// channels through the SinglePlayer operations and hands it back with
// ReleaseSinglePlayerDll(). Every operation returns 0 on success or a small
// result code (2 invalid argument, 3 call out of order, 12 input refused while
// stepping, other values report a decoder failure; see the README).

/**
 * @file Kelo820_PlaySDK.h
 * @brief The player: the factory, its 26 operations, and what each needs,
 * returns and leaves behind.
 *
 * @par Results
 * Every operation returns a result code (named in Kelo820_PlaySDKCodes.h):
 * 0 success; 2 an invalid argument (the channel is checked first, then the
 * other arguments in their order); 3 a call out of order (no stream open);
 * 12 input refused while stepping or with the decoder's buffer full; 27 a
 * capture that took no picture; 7 out of memory; -1 only from
 * Play_InitDDraw. Any other value, and also 2, 3, 7 and 12 after a decoder
 * call, is a decoder failure: the decoder's error code plus one (2 to 24),
 * 26 for a code without words. Each operation's list below says which it
 * can return and when. Every refusal and every failure writes one entry to
 * ZQ_Player_Error.log: the player's own with code 0 and a message (GBK
 * Chinese in the log, quoted in English here), a decoder failure with the
 * decoder's code, its words and the failed decoder call. Nothing is thrown
 * out of the library.
 *
 * @par Play states
 * A channel is not started (0) until Play_OpenStream, which leaves it
 * playing (1); Play_PlayState moves it between 1 and 9; Play_CloseStream
 * brings it back to 0. Operations that read settings answer from the
 * player's record at any state.
 *
 * @par Threads
 * Any operation may be called on any channel from any thread, also while
 * other operations run on the same channel. Each channel has a lock held for
 * an operation's checks, decoder calls and record update, never across a
 * pause (Play_InputData's retries, Play_GetPicture's window). A close wins
 * over a block waiting to be tried again: the block ends with 3 and reaches
 * neither the closed stream nor one opened after it. Each channel has its
 * own pending capture. Log entries never interleave.
 *
 * @par The player's lifetime
 * One player per process: CreateSinglePlayerDll hands out the same pointer
 * until ReleaseSinglePlayerDll destroys it; the pointer is dead afterwards.
 */
#ifndef KELO820_PLAYSDK_H
#define KELO820_PLAYSDK_H

#include <cstdint>

#include "Kelo820_PlaySDKTypes.h"  // WindowHandle, RECT

/** @def KELO820_API
 *  @brief Marks the two exported functions: exported when the library is
 *  built, imported by a client on Windows; default visibility elsewhere. */
#if defined(_WIN32)
#if defined(KELO820_PLAYSDK_BUILD)
#define KELO820_API __declspec(dllexport)
#else
#define KELO820_API __declspec(dllimport)
#endif
#else
#define KELO820_API __attribute__((visibility("default")))
#endif

/**
 * @brief A channel's four video values, recorded per channel by
 * Play_SetVideoPara and read back by Play_GetVideoPara (the decoder is not
 * told them). Each value is 50 when the player starts and again after the
 * channel's stream is closed.
 */
struct VideoPara { int32_t reserved1, value1, value2, value3, value4, reserved2; };
/**
 * @var VideoPara::reserved1
 * unused; read back as 0
 * @var VideoPara::value1
 * the first value (for example brightness), 0 to 100
 * @var VideoPara::value2
 * the second value (for example contrast), 0 to 100
 * @var VideoPara::value3
 * the third value (for example saturation), not checked
 * @var VideoPara::value4
 * the fourth value (for example hue), not checked
 * @var VideoPara::reserved2
 * unused; read back as 0
 */

/**
 * @brief The player's interface: 26 operations on 32 channels (0 to 31).
 *
 * Obtain it from CreateSinglePlayerDll(); it has no destructor: hand it
 * back with ReleaseSinglePlayerDll(). The order of the operations is the
 * order of the table a client calls through, and never changes.
 */
class SinglePlayer {   // 26 pure virtual operations in this slot order; no destructor, no other member
public:
  /**
   * @brief Reads the configuration, points the logs at the configured trace directory and
   *     initialises the decoder's display.
   *
   * Call it first, and again whenever the configuration should be read afresh. The
   * configuration is \<drive root\>q81/cfg/Q81.cfg (the drive of the Windows system
   * directory; on Linux Q81_DRIVE_ROOT, or kelo820-playsdk/ in the user's XDG state
   * directory). Its TRACE_PATH is the directory of ZQ_Player_Runtime.log and
   * ZQ_Player_Error.log, created when missing; without it the logs go to c:/pindo/ (pindo/ under
   * the drive root on Linux). Its DEBUG_LEVEL (0 when missing) says what is traced.
   *
   * @param window the window the decoder's display is made for; null for none (headless)
   * @retval 0 the configuration was read (or found missing); also when the decoder's
   *     display could not be initialised, which is only written to the error log
   * @retval -1 the system directory cannot be found (on Linux: Q81_DRIVE_ROOT is set and
   *     empty); nothing was read and the decoder was not called
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state on any channel.
   * @par Leaves
   * the play states as they were; the logs and the debug level as configured.
   * @par Logs
   * no trace entry; an error entry "PlayM4_InitDDraw() error" when the decoder refuses.
   * @par Threads
   * any thread; it does not take the channels' locks, so call it before the channels are in
   * use.
   */
  virtual int32_t Play_InitDDraw(WindowHandle window) = 0;
  /**
   * @brief Releases the decoder's display.
   *
   * It closes no stream: close the channels first.
   *
   * @retval 0 always, also when the decoder refuses (only written to the error log)
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing.
   * @par Leaves
   * the play states as they were.
   * @par Logs
   * no trace entry; an error entry "MP4Play_RealeseDDraw() error" when the decoder refuses.
   * @par Threads
   * any thread.
   */
  virtual int32_t Play_ReleaseDDraw() = 0;
  /**
   * @brief Turns on overlay display for a channel with a colour key shared by the whole
   *     player.
   *
   * The channel's overlay flag and the player-wide colour key are recorded before the
   * decoder is asked, and kept when it refuses; Play_GetPreviewMode reads them back.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param colorKey the colour key as 0x00RRGGBB, 0 to 0x00FFFFFF; default 0x00FF00FF
   * @retval 0 the decoder took the overlay mode
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p colorKey is above 0x00FFFFFF (nothing recorded)
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_SetOverlayMode(int32_t channel, uint32_t colorKey) = 0;
  /**
   * @brief Reads back the channel's overlay flag and the player's colour key.
   *
   * Answers from the player's record; the decoder is not asked.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param mode receives 1 after Play_SetOverlayMode on the channel, else 0; not null
   * @param colorKey receives the player-wide colour key (0x00FF00FF until one is set); not
   *     null
   * @retval 0 both values written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p mode or @p colorKey is null (nothing written)
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetPreviewMode(int32_t channel, int32_t* mode, uint32_t* colorKey) = 0;
  /**
   * @brief Chooses how the channel's next stream is played: live (0) or file playback (1).
   *
   * Live mode (the default) keeps latency low and may drop late pictures; file mode shows
   * every picture. Set it before Play_OpenStream. The mode is recorded even when the
   * decoder refuses it (for example while a stream is open).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param mode 0 live stream, 1 file playback
   * @retval 0 the decoder took the mode
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p mode is neither 0 nor 1
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; best with no stream open (the decoder refuses a mode while one is).
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_SetOpenMode(int32_t channel, int32_t mode) = 0;
  /**
   * @brief Opens a stream on the channel and starts playing it in @p window.
   *
   * The decoder gets a 51200-byte buffer for the stream. A stream still open on the channel
   * is closed first, in full (an error entry "stop playback first", then the close with its
   * own trace entry), and no other operation on the channel runs in between.
   *
   * @param window where the pictures are shown; null decodes without showing
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param header the stream header (Play_GetHeadLen bytes); not null
   * @param headerSize the header's size in bytes; not 0
   * @param reserved unused
   * @retval 0 the stream is open and playing
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p header is null; or @p headerSize is 0
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call: closing the former stream failed (its result; the channel
   *     stays as it was), the decoder refused the stream, or refused to play it (the stream
   *     is closed again)
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * any play state; with a stream open the channel is closed first.
   * @par Leaves
   * play state 1 (playing) on success; on a failure after the close, 0.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_OpenStream(WindowHandle window, int32_t channel, const uint8_t* header, uint32_t headerSize, uint32_t reserved) = 0;
  /**
   * @brief Feeds one block of the stream to the channel's decoder.
   *
   * A block the decoder refuses is tried again, 100 ms apart, ten times in all; the call
   * then waits up to about one second. While the channel steps (play state 9) each step
   * command lets exactly one block through.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param data the block; not null
   * @param size its size in bytes; not 0
   * @param reserved unused
   * @retval 0 the decoder took the block
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p data is null; or @p size is 0
   * @retval 3 no stream is open on the channel (error entry "input to a channel not open"),
   *     or the stream was closed or replaced while the block waited between attempts: the
   *     block reaches neither the closed stream nor one opened after it
   * @retval 12 the channel steps and no step command allowed a block since the last one (no
   *     log entry; send command 9 first), or all ten attempts found the decoder's buffer
   *     full (its error 11): the block is dropped and reported
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call: the tenth attempt's refusal; the block is dropped
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * a stream open (play state 1 to 9).
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 2 or more; a dropped block always leaves one error entry,
   * and at level 2 every refused attempt does.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update; not across
   * the pauses between attempts, so a close or a play command never waits for the retries,
   * and a close wins over a waiting block.
   */
  virtual int32_t Play_InputData(int32_t channel, const uint8_t* data, uint32_t size, uint32_t reserved) = 0;
  /**
   * @brief Stops and closes the channel's stream.
   *
   * The channel's video parameters return to 50.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @retval 0 the stream is closed
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter")
   * @retval 3 no stream is open (error entry "cannot stop a channel not started")
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call: stopping or closing; the channel stays open
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * a stream open (play state 1 to 9).
   * @par Leaves
   * play state 0 (not started) on success.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update; a block of
   * Play_InputData waiting to be tried again ends with 3.
   */
  virtual int32_t Play_CloseStream(int32_t channel) = 0;
  /**
   * @brief Changes how the channel's open stream plays.
   *
   * Commands: 1 play at normal speed (also resumes), 2 pause, 3 to 5 fast at levels 1 to 3,
   * 6 to 8 slow at levels 1 to 3, 9 step: one picture, and one block of input, per further
   * command 9. A command equal to the current state does nothing, except 9. A command
   * outside 1 to 9 does nothing and returns 0.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param command the play state wanted, 1 to 9 (see kelo820::PlayState)
   * @retval 0 the channel plays as asked, or the command was outside 1 to 9 and ignored
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter")
   * @retval 3 no stream is open (error entry "cannot change a channel not started")
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call; the play state stays as it was
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * a stream open (play state 1 to 9).
   * @par Leaves
   * play state @p command on success.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_PlayState(int32_t channel, int32_t command) = 0;
  /**
   * @brief Reads the channel's play state from the player's record.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param state receives 0 (not started) to 9 (stepping), see kelo820::PlayState; not null
   * @retval 0 the state written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p state is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetPlayState(int32_t channel, int32_t* state) = 0;
  /**
   * @brief Sets the sound volume; the volume is one for the whole player.
   *
   * 1 to 100 turns the channel's sound on at that volume; 0 turns all sound off. The volume
   * is recorded only when the decoder took it.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param volume 0 (silent) to 100
   * @retval 0 the decoder took the volume
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p volume is outside 0 to 100
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state (a channel without a stream has no sound to turn on).
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_SetVolume(int32_t channel, int32_t volume) = 0;
  /**
   * @brief Reads the player-wide volume last set (0 until one is).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number; only
   *     checked
   * @param volume receives 0 to 100; not null
   * @retval 0 the volume written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p volume is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetVolume(int32_t channel, int32_t* volume) = 0;
  /**
   * @brief Saves the next picture the channel shows as a 24-bit BMP file.
   *
   * The player waits 50 ms for the decoder to show a picture on the channel; the first one
   * shown is written by the decoder under @p path, exactly as given, and the call returns
   * once that writing has ended (waiting at most 2 s more for it, also with a decoder that
   * goes on writing after the callback is removed). Each channel has its own pending
   * capture. After a window without a picture the name stays pending until the channel's
   * next capture replaces it: a picture the decoder still hands over after the window
   * writes the file then, after the call has returned 27; pictures the decoder shows after
   * the window are not captured.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param path the file to write; not null; an empty name writes nothing
   * @retval 0 the file is written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p path is null
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call: installing or removing the display callback failed, or the
   *     decoder could not write the picture (for example error 7, result 8, for a folder
   *     that does not exist)
   * @retval 27 kNoPictureCaptured: no picture was taken in the window (a channel not
   *     decoding yet, or an empty @p path); its own error entry "no picture captured in the
   *     window"
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing of the player; the decoder needs a stream open on the channel.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure, and one "path
   * not set" for each further picture shown in the window.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update; not during
   * the 50 ms, and the decoder's display thread writes the file.
   */
  virtual int32_t Play_GetPicture(int32_t channel, const char* path) = 0;
  /**
   * @brief Has the decoder draw the channel's current picture again (after the window was
   *     covered or moved).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @retval 0 the decoder redrew
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter")
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing of the player; the decoder may need a stream open.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_RefreshPlay(int32_t channel) = 0;
  /**
   * @brief Reads the length of the stream header that Play_OpenStream takes.
   *
   * A stream file begins with a header of this length; the rest is the payload for
   * Play_InputData.
   *
   * @param length receives the length in bytes; not null
   * @retval 0 the length written
   * @retval 2 @p length is null (error entry "invalid parameter")
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing.
   * @par Leaves
   * the play states as they were.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread; it takes no channel lock.
   */
  virtual int32_t Play_GetHeadLen(uint32_t* length) = 0;
  /**
   * @brief Reads the size of the pictures the channel decodes.
   *
   * A size read successfully is also the bound that Play_SetDispRegion checks a region
   * against.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param width receives the width in pixels; not null
   * @param height receives the height in pixels; not null
   * @retval 0 the size written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p width or @p height is null
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call (for example result 3 before the first picture); 352 x 288 is
   *     written all the same, and the recorded bound keeps the last real size
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing of the player; the decoder needs a picture decoded.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetPictureSize(int32_t channel, int32_t* width, int32_t* height) = 0;
  /**
   * @brief Passes a picture quality setting to the decoder and records it.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param quality the decoder's setting, passed unchecked (our FFmpeg decoder: 0 fast, 1
   *     or more full quality, below 0 refused)
   * @retval 0 the decoder took it; recorded
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter")
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call; the record keeps the former value
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_SetPicQuality(int32_t channel, int32_t quality) = 0;
  /**
   * @brief Reads back the quality last set on the channel (0 until one is).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param quality receives the value; not null
   * @retval 0 the value written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p quality is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetPicQuality(int32_t channel, int32_t* quality) = 0;
  /**
   * @brief Asks the decoder to skip B-frames, to save processor time.
   *
   * Advisory: the count is recorded, and a refusal of the decoder is not reported to the
   * client.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param count how many B-frames to skip, 0 to 2
   * @retval 0 recorded, whether or not the decoder took it
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p count is outside 0 to 2
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 2 or more; the decoder's refusal is written to the error
   * log only at level 2 or more; an error entry for each refusal of the player's.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_ThrowFrame(int32_t channel, int32_t count) = 0;
  /**
   * @brief Reads back the B-frame count last set with Play_ThrowFrame (0 until one is).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param count receives 0 to 2; not null
   * @retval 0 the count written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p count is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetThrowNum(int32_t channel, int32_t* count) = 0;
  /**
   * @brief Records the channel's four video values (for example brightness, contrast,
   *     saturation and hue).
   *
   * The player keeps them for Play_GetVideoPara; the decoder is not called. Closing the
   * stream sets them back to 50.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param para the values; value1 and value2 0 to 100, value3 and value4 unchecked, the
   *     reserved words unused; not null. With @p useDefault the four values are overwritten
   *     with 50 here too, after the check
   * @param useDefault non-zero: record 50 for all four values
   * @retval 0 recorded
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p para is null; or value1 or value2 is outside 0 to 100 (nothing
   *     recorded)
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_SetVideoPara(int32_t channel, VideoPara* para, int32_t useDefault) = 0;
  /**
   * @brief Reads back the channel's video values (50 each until set).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param para receives the record, reserved words 0; not null
   * @retval 0 the values written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p para is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetVideoPara(int32_t channel, VideoPara* para) = 0;
  /**
   * @brief Shows only a region of the channel's pictures (zoom), or the whole picture
   *     again.
   *
   * The region is in pixels of the decoded picture and must lie within the size last read
   * with Play_GetPictureSize (an edge equal to the width or height is inside): read the
   * size first.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param enable non-zero: show @p rect; 0: show the whole picture again
   * @param rect the region; not null when @p enable is non-zero, passed on unexamined when
   *     0
   * @retval 0 the decoder took the region; recorded (a hidden region reads back as all 0)
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or, with @p enable, @p rect is null, or its top or left is below 0, or
   *     its right or bottom is beyond the size last read
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call; the former region stays recorded
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing of the player; the decoder needs a stream open.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_SetDispRegion(int32_t channel, int32_t enable, const RECT* rect) = 0;
  /**
   * @brief Reads back the region last shown with Play_SetDispRegion (all 0 when none).
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param rect receives the region; not null
   * @retval 0 the region written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p rect is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetDispRegion(int32_t channel, RECT* rect) = 0;
  /**
   * @brief Discards the stream data waiting in the channel's decoder buffer.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @retval 0 the buffer is empty
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter")
   * @retval 2..24,26 a decoder failure: the decoder's error code plus one (2 to 24; 26 for
   *     a code without words), written to the error log with its words and the name of the
   *     failed decoder call
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing of the player; the decoder needs a stream open.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each failure.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_ClearBuffer(int32_t channel) = 0;
  /**
   * @brief Reads how many bytes of stream data wait in the channel's decoder buffer.
   *
   * A feeder can wait while this is high rather than lean on Play_InputData's retries.
   *
   * @param channel the channel, 0 to 31; the decoder's port of the same number
   * @param size receives the byte count; not null
   * @retval 0 the count written
   * @retval 2 @p channel is outside 0 to 31 (checked first; error entry "invalid
   *     parameter"); or @p size is null
   * @retval 7 the operation ran out of memory (no exception leaves the library)
   * @par Needs
   * nothing; any play state.
   * @par Leaves
   * the play state as it was.
   * @par Logs
   * a trace entry at DEBUG_LEVEL 1 or more; an error entry for each refusal.
   * @par Threads
   * any thread, also while other operations run on this or other channels; the channel's
   * lock is held only for the checks, the decoder calls and the record update
   */
  virtual int32_t Play_GetBufferRemainDataSize(int32_t channel, uint32_t* size) = 0;
};

/**
 * @brief Hands out the process's one player, building it on the first call.
 *
 * Every call until the player is released returns the same pointer. The player's logs
 * point at \<drive root\>q81/q81_runtime.log and q81_error.log until Play_InitDDraw reads
 * the configuration.
 *
 * @return the player; null only when it cannot be built (out of memory), and a later call
 *     tries again.
 * @par Threads
 * any thread; guarded, so that concurrent first calls build one player.
 */
extern "C" KELO820_API SinglePlayer* CreateSinglePlayerDll();
/**
 * @brief Destroys the player; the pointer is dead afterwards.
 *
 * Streams left open are not closed (close them first). The release waits for the player's
 * own display callbacks in flight (a capture being written), not for those of a player
 * created after it, and none reaches it afterwards. A later CreateSinglePlayerDll builds
 * a new player. A client may also end its process without releasing.
 *
 * @param player the pointer CreateSinglePlayerDll returned; any other value, null or a
 *     player already released is ignored.
 * @par Threads
 * any thread; no operation of the player may run or start meanwhile.
 */
extern "C" KELO820_API void ReleaseSinglePlayerDll(SinglePlayer* player);

#endif  // KELO820_PLAYSDK_H
