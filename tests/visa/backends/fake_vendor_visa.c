/* A stand-in for a vendor's VISA library, loaded by path by the vendor backend's tests. It
 * knows one instrument, USB0::0x1234::0x5678::FAKE::INSTR, which answers "*IDN?"; a serial
 * port ASRL1::INSTR that it lists but the tests filter out; and any TCPIP socket, which it
 * opens without connecting anywhere. "FAIL" makes the next read fail with a status of the
 * vendor's own; "WARN?" is answered with a warning of the vendor's own. The fake_visa_*
 * functions let the tests see what the backend asked for. */

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

typedef int32_t Status;
typedef uint32_t Object;

#define OK 0
#define MAX_CNT 0x3FFF0006
#define SUCCESS_TERM_CHAR 0x3FFF0005
#define ERROR_INV_OBJECT ((Status)0xBFFF000Eu)
#define ERROR_RSRC_NFOUND ((Status)0xBFFF0011u)
#define ERROR_TMO ((Status)0xBFFF0015u)
#define ERROR_NSUP_ATTR ((Status)0xBFFF001Du)
/* Codes of this vendor's own, outside the standard's list. */
#define VENDOR_ERROR ((Status)0xBFFF0F00u)
#define VENDOR_WARNING ((Status)0x3FFF0F01)

#define ATTR_TERMCHAR 0x3FFF0018u
#define ATTR_TMO_VALUE 0x3FFF001Au
#define ATTR_TERMCHAR_EN 0x3FFF0038u

#define INSTRUMENT "USB0::0x1234::0x5678::FAKE::INSTR"
#define SERIAL_PORT "ASRL1::INSTR"

enum { MANAGER = 1, FIND_LIST = 2, INSTRUMENT_SESSION = 3, SOCKET_SESSION = 4, OBJECTS = 5 };
static int isOpen[OBJECTS];
static int findPosition;
static uint64_t timeoutValue;
static uint64_t termChar;
static uint64_t termCharEnabled;
static char answer[128];
static size_t answerLength;
static size_t answerOffset;
static Status nextReadStatus;
static Status answerStatus;
static char lastExpression[256];

static int Valid(Object object) {
  return object > 0 && object < OBJECTS && isOpen[object];
}

Status viOpenDefaultRM(Object* manager) {
  isOpen[MANAGER] = 1;
  *manager = MANAGER;
  return OK;
}

Status viFindRsrc(Object manager, const char* expression, Object* list, uint32_t* count,
                  char* description) {
  if (manager != MANAGER || !isOpen[MANAGER]) return ERROR_INV_OBJECT;
  snprintf(lastExpression, sizeof lastExpression, "%s", expression);
  /* Lists everything whatever the expression says. */
  isOpen[FIND_LIST] = 1;
  findPosition = 1;
  *list = FIND_LIST;
  *count = 2;
  strcpy(description, SERIAL_PORT);
  return OK;
}

Status viFindNext(Object list, char* description) {
  if (list != FIND_LIST || !isOpen[FIND_LIST]) return ERROR_INV_OBJECT;
  if (findPosition != 1) return ERROR_RSRC_NFOUND;
  ++findPosition;
  strcpy(description, INSTRUMENT);
  return OK;
}

Status viOpen(Object manager, const char* name, uint32_t mode, uint32_t timeout, Object* session) {
  (void)mode;
  (void)timeout;
  if (manager != MANAGER || !isOpen[MANAGER]) return ERROR_INV_OBJECT;
  Object opened;
  if (strcasecmp(name, INSTRUMENT) == 0) {
    opened = INSTRUMENT_SESSION;
  } else if (strncasecmp(name, "TCPIP", 5) == 0) {
    opened = SOCKET_SESSION;
  } else {
    return ERROR_RSRC_NFOUND;
  }
  isOpen[opened] = 1;
  *session = opened;
  return OK;
}

Status viClose(Object object) {
  if (!Valid(object)) return ERROR_INV_OBJECT;
  if (object == MANAGER) {
    memset(isOpen, 0, sizeof isOpen);
  } else {
    isOpen[object] = 0;
  }
  return OK;
}

Status viSetAttribute(Object object, uint32_t attribute, uint64_t value) {
  if (!Valid(object)) return ERROR_INV_OBJECT;
  switch (attribute) {
    case ATTR_TMO_VALUE:
      timeoutValue = value;
      return OK;
    case ATTR_TERMCHAR:
      termChar = value;
      return OK;
    case ATTR_TERMCHAR_EN:
      termCharEnabled = value;
      return OK;
    default:
      return ERROR_NSUP_ATTR;
  }
}

Status viGetAttribute(Object object, uint32_t attribute, void* value) {
  if (!Valid(object)) return ERROR_INV_OBJECT;
  if (attribute != ATTR_TMO_VALUE) return ERROR_NSUP_ATTR;
  uint32_t timeout = (uint32_t)timeoutValue;
  memcpy(value, &timeout, sizeof timeout);
  return OK;
}

Status viWrite(Object session, const unsigned char* data, uint32_t count, uint32_t* written) {
  if (!Valid(session) || session == MANAGER) return ERROR_INV_OBJECT;
  answerLength = answerOffset = 0;
  answerStatus = OK;
  if (count >= 5 && memcmp(data, "*IDN?", 5) == 0) {
    strcpy(answer, "FAKE VENDOR,VISA METER,0,2.0\n");
  } else if (count >= 5 && memcmp(data, "WARN?", 5) == 0) {
    strcpy(answer, "W\n");
    answerStatus = VENDOR_WARNING;
  } else if (count >= 4 && memcmp(data, "FAIL", 4) == 0) {
    nextReadStatus = VENDOR_ERROR;
    answer[0] = '\0';
  } else {
    answer[0] = '\0';
  }
  answerLength = strlen(answer);
  *written = count;
  return OK;
}

Status viRead(Object session, unsigned char* buffer, uint32_t count, uint32_t* received) {
  if (!Valid(session) || session == MANAGER) return ERROR_INV_OBJECT;
  *received = 0;
  if (nextReadStatus != OK) {
    Status status = nextReadStatus;
    nextReadStatus = OK;
    return status;
  }
  if (answerLength == 0) return ERROR_TMO;
  size_t left = answerLength - answerOffset;
  size_t n = left < count ? left : count;
  memcpy(buffer, answer + answerOffset, n);
  answerOffset += n;
  *received = (uint32_t)n;
  if (answerOffset < answerLength) return MAX_CNT;
  answerLength = answerOffset = 0;
  /* As vendors' libraries do, a socket read that ended at the termination character says so. */
  if (answerStatus == OK && session == SOCKET_SESSION && termCharEnabled && n > 0 &&
      buffer[n - 1] == (unsigned char)termChar) {
    return SUCCESS_TERM_CHAR;
  }
  return answerStatus;
}

Status viClear(Object session) {
  if (!Valid(session) || session == MANAGER) return ERROR_INV_OBJECT;
  answerLength = answerOffset = 0;
  return OK;
}

Status viStatusDesc(Object object, Status status, char* description) {
  if (!Valid(object)) return ERROR_INV_OBJECT;
  const char* text = "FAKE: unknown status";
  if (status == VENDOR_ERROR) text = "FAKE: the instrument refused politely";
  if (status == VENDOR_WARNING) text = "FAKE: the answer is only a warning";
  if (status == ERROR_RSRC_NFOUND) text = "FAKE: no such resource";
  snprintf(description, 256, "%s", text);
  return OK;
}

/* Test hooks. */
void fake_visa_reset(void) {
  memset(isOpen, 0, sizeof isOpen);
  timeoutValue = termChar = termCharEnabled = 0;
  answerLength = answerOffset = 0;
  nextReadStatus = answerStatus = OK;
  lastExpression[0] = '\0';
}
int fake_visa_open_objects(void) {
  int n = 0;
  for (int i = 1; i < OBJECTS; ++i) n += isOpen[i];
  return n;
}
uint64_t fake_visa_timeout(void) {
  return timeoutValue;
}
uint64_t fake_visa_termchar(void) {
  return termCharEnabled ? termChar : 0;
}
const char* fake_visa_last_expression(void) {
  return lastExpression;
}
