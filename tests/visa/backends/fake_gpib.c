/* A stand-in for linux-gpib's C library, loaded by path by the GPIB backend's tests. Board 0
 * has one instrument, at primary address 22 (and its secondary address 3), which answers "*IDN?",
 * answers "HALF?" with a few bytes and then nothing (a read times out part-way), and gives no
 * answer to anything else. The fake_gpib_* functions let the tests unplug the instrument, take the
 * board off line and see what the backend asked for. */

#include <stddef.h>
#include <string.h>

#define ERR 0x8000
#define TIMO 0x4000
#define END 0x2000
#define CMPL 0x100

#define EARG 4
#define EABO 6
#define ENEB 7
#define ENOL 2

#define INSTRUMENT_PAD 22
#define MAX_DEVICES 16
#define FIRST_DEVICE_UD 32

static _Thread_local int threadIbsta;
static _Thread_local int threadIberr;
static _Thread_local long threadIbcnt;

struct device {
  int used;
  int pad;
  int sad;
  int timeout;
};
static struct device devices[MAX_DEVICES];

static int instrumentPresent = 1;
static int boardOnline = 1;
static char answer[256];
static size_t answerLength;
static size_t answerOffset;
static int answerHasEnd;

static int Finish(int status, int error, long count) {
  threadIbsta = status;
  threadIberr = error;
  threadIbcnt = count;
  return status;
}

static struct device* Device(int ud) {
  if (ud < FIRST_DEVICE_UD || ud >= FIRST_DEVICE_UD + MAX_DEVICES) return NULL;
  struct device* d = &devices[ud - FIRST_DEVICE_UD];
  return d->used ? d : NULL;
}

static int Listening(int pad, int sad) {
  /* The instrument also answers at its secondary address 3 (bus code 0x63). */
  return boardOnline && instrumentPresent && pad == INSTRUMENT_PAD && (sad == 0 || sad == 0x63);
}

static void SetAnswer(const char* text, int withEnd) {
  answerLength = strlen(text);
  memcpy(answer, text, answerLength);
  answerOffset = 0;
  answerHasEnd = withEnd;
}

int ibdev(int board, int pad, int sad, int timeout, int sendEoi, int eos) {
  (void)sendEoi;
  (void)eos;
  if (board != 0 || !boardOnline) {
    Finish(ERR, ENEB, 0);
    return -1;
  }
  if (pad < 0 || pad > 30 || timeout < 0 || timeout > 17) {
    Finish(ERR, EARG, 0);
    return -1;
  }
  for (int i = 0; i < MAX_DEVICES; ++i) {
    if (!devices[i].used) {
      devices[i].used = 1;
      devices[i].pad = pad;
      devices[i].sad = sad;
      devices[i].timeout = timeout;
      Finish(CMPL, 0, 0);
      return FIRST_DEVICE_UD + i;
    }
  }
  Finish(ERR, EARG, 0);
  return -1;
}

int ibonl(int ud, int online) {
  struct device* d = Device(ud);
  if (!d) return Finish(ERR, EARG, 0);
  if (!online) d->used = 0;
  return Finish(CMPL, 0, 0);
}

int ibtmo(int ud, int timeout) {
  struct device* d = Device(ud);
  if (!d || timeout < 0 || timeout > 17) return Finish(ERR, EARG, 0);
  d->timeout = timeout;
  return Finish(CMPL, 0, 0);
}

int ibln(int ud, int pad, int sad, short* found) {
  /* ud 0 is board 0 itself; a device descriptor stands for its board. */
  if (ud != 0 && !Device(ud)) return Finish(ERR, EARG, 0);
  if (!boardOnline) return Finish(ERR, ENEB, 0);
  *found = (short)Listening(pad, sad);
  return Finish(CMPL, 0, 0);
}

int ibwrt(int ud, const void* data, long count) {
  struct device* d = Device(ud);
  if (!d || count < 0) return Finish(ERR, EARG, 0);
  if (!Listening(d->pad, d->sad)) return Finish(ERR, ENOL, 0);
  const char* text = (const char*)data;
  size_t length = (size_t)count;
  while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
  if (length == 5 && memcmp(text, "*IDN?", 5) == 0) {
    SetAnswer("FAKE INSTRUMENTS,GPIB METER,22,1.0\n", 1);
  } else if (length == 5 && memcmp(text, "HALF?", 5) == 0) {
    SetAnswer("+1.25", 0);
  } else {
    answerLength = answerOffset = 0;
  }
  return Finish(CMPL, 0, count);
}

int ibrd(int ud, void* buffer, long count) {
  struct device* d = Device(ud);
  if (!d || count < 0) return Finish(ERR, EARG, 0);
  if (!Listening(d->pad, d->sad)) return Finish(ERR | TIMO, EABO, 0);
  size_t left = answerLength - answerOffset;
  size_t n = left < (size_t)count ? left : (size_t)count;
  memcpy(buffer, answer + answerOffset, n);
  answerOffset += n;
  if (answerOffset == answerLength && answerHasEnd && n > 0) {
    answerLength = answerOffset = 0;
    return Finish(END | CMPL, 0, (long)n);
  }
  if (n == (size_t)count) return Finish(CMPL, 0, (long)n);
  /* The talker stopped without END: the time-out runs out. */
  return Finish(ERR | TIMO | CMPL, EABO, (long)n);
}

/* Serial poll: MAV (0x10) while an answer waits to be read. */
int ibrsp(int ud, char* statusByte) {
  if (!Device(ud)) return Finish(ERR, EARG, 0);
  *statusByte = (char)(answerOffset < answerLength ? 0x10 : 0);
  return Finish(CMPL, 0, 0);
}

int ibclr(int ud) {
  if (!Device(ud)) return Finish(ERR, EARG, 0);
  answerLength = answerOffset = 0;
  return Finish(CMPL, 0, 0);
}

int ThreadIbsta(void) {
  return threadIbsta;
}
int ThreadIberr(void) {
  return threadIberr;
}
int ThreadIbcnt(void) {
  return (int)threadIbcnt;
}
long ThreadIbcntl(void) {
  return threadIbcnt;
}

/* Test hooks. */
void fake_gpib_reset(void) {
  memset(devices, 0, sizeof devices);
  instrumentPresent = 1;
  boardOnline = 1;
  answerLength = answerOffset = 0;
}
void fake_gpib_set_present(int present) {
  instrumentPresent = present;
}
void fake_gpib_set_board_online(int online) {
  boardOnline = online;
}
int fake_gpib_open_devices(void) {
  int n = 0;
  for (int i = 0; i < MAX_DEVICES; ++i) n += devices[i].used;
  return n;
}
/* The time-out code of the most recently opened device still open; -1 when none. */
int fake_gpib_timeout_code(void) {
  for (int i = MAX_DEVICES - 1; i >= 0; --i) {
    if (devices[i].used) return devices[i].timeout;
  }
  return -1;
}
/* The secondary address given to ibdev for the most recently opened device. */
int fake_gpib_secondary_address(void) {
  for (int i = MAX_DEVICES - 1; i >= 0; --i) {
    if (devices[i].used) return devices[i].sad;
  }
  return -1;
}
