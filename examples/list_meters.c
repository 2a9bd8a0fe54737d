/* list_meters: lists the K9-90/1 multimeters a VISA library finds and takes one reading from
 * the first of them, through libvxvisa's C interface.
 *
 *   cc -o list_meters list_meters.c $(pkg-config --cflags --libs vxvisa)
 *   VX_VISA_SIM=/usr/share/k9-90/sim/default.ini ./list_meters
 *
 * EXPR (default "?*INSTR") is the VISA match expression of the search. The exit status is 0
 * after a reading, 1 when no meter answered or a VISA call failed, 2 for a bad command line. */

#include <stdio.h>
#include <string.h>

#include <visa.h>

#define ANSWER_SIZE 256

static void Report(ViObject object, const char* what, ViStatus status) {
  ViChar text[VI_FIND_BUFLEN];
  viStatusDesc(object, status, text);
  fprintf(stderr, "list_meters: %s: %s\n", what, text);
}

/* Sends `command` (with its line feed) and reads the answer, without the line end. */
static ViStatus Query(ViSession session, const char* command, char* answer) {
  ViUInt32 count = 0;
  ViStatus status = viPrintf(session, "%s\n", command);
  if (status < VI_SUCCESS) return status;
  status = viRead(session, (ViBuf)answer, ANSWER_SIZE - 1, &count);
  if (status < VI_SUCCESS) return status;
  answer[count] = '\0';
  answer[strcspn(answer, "\r\n")] = '\0';
  return status;
}

/* Opens `descriptor`, prints its identity and, for the first meter, a reading; returns 1
 * once a meter has been read. */
static int ListOne(ViSession manager, const char* descriptor, int readIt) {
  char answer[ANSWER_SIZE];
  ViSession session = VI_NULL;
  ViStatus status = viOpen(manager, descriptor, VI_NO_LOCK, 0, &session);
  if (status < VI_SUCCESS) {
    Report(manager, descriptor, status);
    return 0;
  }
  viSetAttribute(session, VI_ATTR_TMO_VALUE, 5000);
  status = Query(session, "*IDN?", answer);
  if (status < VI_SUCCESS) {
    Report(session, descriptor, status);
    viClose(session);
    return 0;
  }
  printf("%s\t%s\n", descriptor, answer);
  /* A K9-90/1 names its model in the second field of its identity. */
  if (!readIt || strstr(answer, ",W9-90/1,") == NULL) {
    viClose(session);
    return 0;
  }
  status = Query(session, "read?", answer);
  if (status < VI_SUCCESS) {
    Report(session, "read?", status);
  } else {
    printf("reading\t%s\t%s\n", descriptor, answer);
  }
  viClose(session);
  return status >= VI_SUCCESS;
}

int main(int argc, char** argv) {
  const char* expression = "?*INSTR";
  ViChar descriptor[VI_FIND_BUFLEN];
  ViSession manager = VI_NULL;
  ViFindList list = VI_NULL;
  ViUInt32 count = 0;
  ViUInt32 i;
  ViStatus status;
  int read = 0;

  if (argc > 2 || (argc == 2 && (strcmp(argv[1], "--help") == 0 || argv[1][0] == '-'))) {
    fputs(
        "usage: list_meters [EXPR]\n"
        "Lists the instruments the VISA search EXPR (default \"?*INSTR\") finds with their\n"
        "identity, and reads the first K9-90/1 multimeter among them.\n",
        argc == 2 && strcmp(argv[1], "--help") == 0 ? stdout : stderr);
    return argc == 2 && strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  if (argc == 2) expression = argv[1];

  status = viOpenDefaultRM(&manager);
  if (status < VI_SUCCESS) {
    Report(VI_NULL, "no resource manager", status);
    return 1;
  }
  status = viFindRsrc(manager, expression, &list, &count, descriptor);
  if (status < VI_SUCCESS) {
    Report(manager, expression, status);
    viClose(manager);
    return 1;
  }
  for (i = 0; i < count; ++i) {
    if (i > 0 && viFindNext(list, descriptor) < VI_SUCCESS) break;
    if (ListOne(manager, descriptor, !read)) read = 1;
  }
  viClose(manager); /* closes the find list too */
  if (!read) fputs("list_meters: no K9-90/1 multimeter answered\n", stderr);
  return read ? 0 : 1;
}
