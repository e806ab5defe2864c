/* A driver that gets things wrong, built once per way (HOSTILE_TABLE): a table too small for
 * the header, a short table cut inside an entry, an unknown major version, a bad name, no
 * entry at all; or (the default) a full table whose outputs are chosen by its argument:
 *   well            sound answers the host must pass on exactly
 *   long, negative  every length beyond the capacity (after filling all of it), or below 0
 *   bad-utf8, nul   texts that are not UTF-8, or hold a NUL
 *   station-status  every status from the station's own range
 *   unreadable      create fails with a reason length beyond its capacity
 *   anything else   create fails, with the argument as its reason
 * It also exports the bench driver's oscillator extension, answering by the same modes: a
 * frequency (well), an answer beyond 1 (long), a negative or not-a-number frequency (negative,
 * bad-utf8), no signal (nul), the bench's own failure (station-status). */
#include <halyard/driver.h>
#include <math.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#define FULL 0
#define TOO_SMALL 1
#define CUT_SHORT 2
#define MAJOR 3
#define BAD_NAME 4
#define NO_ENTRY 5
#ifndef HOSTILE_TABLE
#define HOSTILE_TABLE FULL
#endif
#ifndef HOSTILE_MAJOR
#define HOSTILE_MAJOR 2
#endif

#if HOSTILE_TABLE == TOO_SMALL || HOSTILE_TABLE == CUT_SHORT
/* Their tables end before the later operations, which then go unused. */
#pragma GCC diagnostic ignored "-Wunused-function"
#endif

enum mode { WELL, LONG, NEGATIVE, BAD_UTF8, NUL, STATION_STATUS };

struct halyard_driver_handle {
  enum mode mode;
};

static int is(const char* argument, int32_t length, const char* word) {
  return length == (int32_t)strlen(word) && memcmp(argument, word, (size_t)length) == 0;
}

static halyard_driver_handle* create(const char* argument, int32_t length, char* reason,
                                     int32_t capacity, int32_t* reason_length) {
  static const char* const modes[] = {"well",     "long", "negative",
                                      "bad-utf8", "nul",  "station-status"};
  for (int i = 0; i < (int)(sizeof modes / sizeof modes[0]); ++i) {
    if (is(argument, length, modes[i])) {
      halyard_driver_handle* h = malloc(sizeof *h);
      if (h != NULL) h->mode = (enum mode)i;
      return h;
    }
  }
  if (is(argument, length, "unreadable")) {
    *reason_length = capacity + 5;
    return NULL;
  }
  if (length > capacity) length = capacity;
  memcpy(reason, argument, (size_t)length);
  *reason_length = length;
  return NULL;
}

static void destroy(halyard_driver_handle* h) {
  free(h);
}

static int16_t status_of(const halyard_driver_handle* h) {
  return h->mode == STATION_STATUS ? HALYARD_STATUS_NOT_SUPPORTED : 0;
}

/* Leaves `text` in a buffer as the mode has it. */
static void put_text(const halyard_driver_handle* h, const char* text, char* buffer,
                     int32_t capacity, int32_t* length) {
  int32_t n = (int32_t)strlen(text);
  switch (h->mode) {
    case LONG:
      memset(buffer, 'x', (size_t)capacity);
      *length = capacity + 1;
      return;
    case NEGATIVE:
      *length = -1;
      return;
    case BAD_UTF8:
      memcpy(buffer, "\xC3\x28", 2); /* a lead byte without its continuation */
      *length = 2;
      return;
    case NUL:
      memcpy(buffer, "a\0b", 3);
      *length = 3;
      return;
    default:
      if (n > capacity) n = capacity;
      memcpy(buffer, text, (size_t)n);
      *length = n;
  }
}

static int16_t open_device(halyard_driver_handle* h, const char* name, int32_t length) {
  (void)name;
  (void)length;
  return status_of(h);
}

static void list_devices(halyard_driver_handle* h, int32_t kind, int32_t* count, char* names,
                         int32_t capacity, int32_t* length) {
  (void)kind;
  *count = 2;
  put_text(h, "A,B", names, capacity, length);
}

static int16_t write_smbus_word(halyard_driver_handle* h, int16_t command, int16_t word,
                                int16_t device) {
  (void)command;
  (void)word;
  (void)device;
  return status_of(h);
}

static int16_t read_smbus_word(halyard_driver_handle* h, int16_t command, int16_t* word,
                               int16_t device) {
  (void)command;
  (void)device;
  *word = 0x1234;
  return status_of(h);
}

/* Well: three bytes and a count of 7, beyond them. */
static int16_t read_smbus_block(halyard_driver_handle* h, int16_t command, uint8_t* data,
                                int32_t capacity, int32_t* length, int16_t* count, int16_t device) {
  (void)command;
  (void)device;
  memset(data, 0xAB, (size_t)capacity);
  data[0] = 1;
  data[1] = 2;
  data[2] = 3;
  *count = 7;
  *length = h->mode == LONG ? capacity + 1 : h->mode == NEGATIVE ? -1 : 3;
  return status_of(h);
}

static int16_t get_write_status(halyard_driver_handle* h) {
  return status_of(h);
}

static int16_t program_srec(halyard_driver_handle* h, char* path, int32_t path_capacity,
                            int32_t* path_length, char* second, int32_t second_capacity,
                            int32_t* second_length, char* third, int32_t third_capacity,
                            int32_t* third_length) {
  put_text(h, "path!", path, path_capacity, path_length);
  (void)second;
  (void)second_capacity;
  (void)second_length; /* left as handed in */
  put_text(h, "third!", third, third_capacity, third_length);
  return status_of(h);
}

#if HOSTILE_TABLE == TOO_SMALL || HOSTILE_TABLE == CUT_SHORT
/* The tables of an older, smaller interface: the host must read no further than they go. */
static const struct {
  uint32_t struct_size;
  uint16_t version_major;
  uint16_t version_minor;
  const char* name;
  halyard_driver_handle* (*create)(const char*, int32_t, char*, int32_t, int32_t*);
  void (*destroy)(halyard_driver_handle*);
  int16_t (*open_device)(halyard_driver_handle*, const char*, int32_t);
  void (*close_device)(halyard_driver_handle*);
  void (*list_devices)(halyard_driver_handle*, int32_t, int32_t*, char*, int32_t, int32_t*);
  int16_t (*write_smbus_word)(halyard_driver_handle*, int16_t, int16_t, int16_t);
  int16_t (*read_smbus_word)(halyard_driver_handle*, int16_t, int16_t*, int16_t);
} table = {
#if HOSTILE_TABLE == TOO_SMALL
    offsetof(halyard_driver_table, destroy),
#else
    /* read_smbus_word is cut in half: the host must take it as missing. */
    offsetof(halyard_driver_table, read_smbus_word) + 4,
#endif
    HALYARD_DRIVER_VERSION_MAJOR,
    0,
    "short",
    create,
    destroy,
    open_device,
    NULL,
    list_devices,
    write_smbus_word,
    read_smbus_word};
#else
static const halyard_driver_table table = {
    .struct_size = sizeof(halyard_driver_table),
    .version_major = HOSTILE_TABLE == MAJOR ? HOSTILE_MAJOR : HALYARD_DRIVER_VERSION_MAJOR,
    .version_minor = 7,
    .name = HOSTILE_TABLE == BAD_NAME ? "bad \xC0\xAF name" : "hostile",
    .create = create,
    .destroy = destroy,
    .open_device = open_device,
    .list_devices = list_devices,
    .write_smbus_word = write_smbus_word,
    .read_smbus_word = read_smbus_word,
    .read_smbus_block = read_smbus_block,
    .get_write_status = get_write_status,
    .program_srec = program_srec,
};
#endif

#if HOSTILE_TABLE == NO_ENTRY
HALYARD_DRIVER_EXPORT const void* halyard_driver_entry_misspelt(void) {
  return &table;
}
#else
HALYARD_DRIVER_EXPORT const halyard_driver_table* halyard_driver_entry(void) {
  return (const halyard_driver_table*)(const void*)&table;
}
#endif

/* The bench driver's extension (src/driver/SimDriverExtension.h), declared here as any library
 * outside the station would have to: its header is the bench driver's, not the interface's. */
HALYARD_DRIVER_EXPORT int halyard_sim_measure_oscillator(halyard_driver_handle* h, double* hz) {
  static const int answers[] = {1, 2, 1, 1, 0, -1};
  static const double frequencies[] = {32768.25, 32768.0, -32768.0, NAN, 1.0, 1.0};
  if (h->mode != NUL) *hz = frequencies[h->mode];
  return answers[h->mode];
}
