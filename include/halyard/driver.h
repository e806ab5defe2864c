/* The adapter driver interface of the Halyard station, version 1.0.
 *
 * A driver is a shared library that lets the station reach an adapter it does not know itself.
 * It exports one function, halyard_driver_entry, which returns a constant table: its size, the
 * interface version it was written against, its name, and functions to create and destroy a
 * handle and to carry out the station's thirteen adapter operations. This header is all a
 * driver author needs; docs/driver-interface.md says the same at more length.
 *
 * Rules every function follows:
 *  - Statuses are 16-bit: 0 success, anything else a failure the station shows as a number.
 *    open_device answers -1 for "not opened" and any other value for "opened".
 *    -32768 to -32000 belong to the station (HALYARD_STATUS_STATION_FIRST..LAST); a driver
 *    never answers them, and the station replaces one that it does.
 *  - Texts are UTF-8 with an explicit length and need no terminating NUL. Texts the station
 *    hands in are what the operator typed or the configuration holds: usually UTF-8, but a
 *    driver must treat them as bytes.
 *  - Buffers belong to the caller. A buffer comes with its capacity; the driver writes at most
 *    that many bytes and reports the length it left there. Lengths and capacities are int32_t.
 *  - Every output parameter holds the caller's current value on entry; a driver that does not
 *    set it leaves that value standing.
 *  - A NULL entry is an operation the driver lacks; the station answers it with
 *    HALYARD_STATUS_NOT_SUPPORTED and never calls through it.
 *  - One call at a time per handle: the station never calls a handle from two threads at once.
 */
#ifndef HALYARD_DRIVER_H
#define HALYARD_DRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HALYARD_DRIVER_VERSION_MAJOR 1
#define HALYARD_DRIVER_VERSION_MINOR 0

#if defined(__GNUC__) || defined(__clang__)
#define HALYARD_DRIVER_EXPORT __attribute__((visibility("default")))
#else
#define HALYARD_DRIVER_EXPORT
#endif

/* Statuses. */
#define HALYARD_STATUS_OK 0
#define HALYARD_STATUS_NOT_OPENED (-1) /* open_device only */
#define HALYARD_STATUS_STATION_FIRST (-32768)
#define HALYARD_STATUS_STATION_LAST (-32000)
/* The station's own answers in a driver's place: */
#define HALYARD_STATUS_NOT_SUPPORTED (-32001)  /* the entry is NULL or past the table's size */
#define HALYARD_STATUS_BAD_LENGTH (-32002)     /* a returned length < 0 or > the capacity */
#define HALYARD_STATUS_BAD_TEXT (-32003)       /* a changed text is not UTF-8 or holds a NUL */
#define HALYARD_STATUS_STATION_STATUS (-32004) /* the driver answered a status of the station */

/* Buffer sizes the station offers at least. */
#define HALYARD_TEXT_CAPACITY 4096 /* texts out: adapter names, the texts of program_srec */
#define HALYARD_BLOCK_CAPACITY 255 /* read_smbus_block: the longest SMBus block */
#define HALYARD_NAME_MAX 255       /* the table's name, in bytes, without its NUL */

/* A driver's own state for one adapter session; the station never looks inside. */
typedef struct halyard_driver_handle halyard_driver_handle;

typedef struct halyard_driver_table {
  /* sizeof(halyard_driver_table) as the driver was built. The station reads no further, and an
   * entry that lies beyond it counts as NULL. */
  uint32_t struct_size;
  uint16_t version_major; /* HALYARD_DRIVER_VERSION_MAJOR */
  uint16_t version_minor; /* HALYARD_DRIVER_VERSION_MINOR */
  /* NUL-terminated UTF-8, at most HALYARD_NAME_MAX bytes, e.g. "FooDriver 1.0". */
  const char* name;

  /* The text after "driver:PATH," on the station's command line (empty without one). NULL on
   * failure, with a one-line reason in `reason` (capacity reason_capacity, length set in
   * *reason_length). Required. */
  halyard_driver_handle* (*create)(const char* argument, int32_t argument_length, char* reason,
                                   int32_t reason_capacity, int32_t* reason_length);
  /* Ends the session: the station calls it once, last. Required. */
  void (*destroy)(halyard_driver_handle* handle);

  /* The thirteen operations. `device` is the station's 8-bit device address (0x16, 0x17, 0xA0).
   */
  int16_t (*open_device)(halyard_driver_handle* handle, const char* name, int32_t name_length);
  void (*close_device)(halyard_driver_handle* handle);
  /* Kind 2 lists the adapters: *count of them, names separated by ",". */
  void (*list_devices)(halyard_driver_handle* handle, int32_t kind, int32_t* count, char* names,
                       int32_t names_capacity, int32_t* names_length);
  int16_t (*write_smbus_word)(halyard_driver_handle* handle, int16_t command, int16_t word,
                              int16_t device);
  int16_t (*read_smbus_word)(halyard_driver_handle* handle, int16_t command, int16_t* word,
                             int16_t device);
  /* Writes the first `count` bytes of data. count may exceed data_length; the driver never
   * reads past data_length. */
  int16_t (*write_smbus_block)(halyard_driver_handle* handle, int16_t command, const uint8_t* data,
                               int32_t data_length, int16_t count, int16_t device);
  /* An array the driver may refill and resize within its capacity: on entry data holds
   * *data_length bytes (the station's array); on return *data_length is the array's new length
   * and *count the block's byte count, which may differ from it. */
  int16_t (*read_smbus_block)(halyard_driver_handle* handle, int16_t command, uint8_t* data,
                              int32_t data_capacity, int32_t* data_length, int16_t* count,
                              int16_t device);
  int16_t (*send_smbus_command)(halyard_driver_handle* handle, int16_t command, int16_t device);
  /* The status of the last write. */
  int16_t (*get_write_status)(halyard_driver_handle* handle);
  /* function 0: device 1 opens a run of accesses, 0 closes it; 1: write value; 2: read value. */
  int16_t (*i2c_access)(halyard_driver_handle* handle, int32_t function, int16_t device,
                        int16_t reg, int16_t* value);
  int16_t (*read_swb_word)(halyard_driver_handle* handle, int32_t kind, int16_t reg,
                           int16_t* value);
  /* Three texts in and out: each buffer holds *..._length bytes on entry and may be rewritten
   * within its capacity. */
  int16_t (*program_srec)(halyard_driver_handle* handle, char* path, int32_t path_capacity,
                          int32_t* path_length, char* second, int32_t second_capacity,
                          int32_t* second_length, char* third, int32_t third_capacity,
                          int32_t* third_length);
  /* first: version characters 1 (high byte) and 2 (low byte); second: character 3. */
  int16_t (*get_adapter_version)(halyard_driver_handle* handle, int16_t* first, int16_t* second);
} halyard_driver_table;

/* The one function a driver exports. The table must stay valid while the library is loaded. */
typedef const halyard_driver_table* (*halyard_driver_entry_function)(void);
HALYARD_DRIVER_EXPORT const halyard_driver_table* halyard_driver_entry(void);

#ifdef __cplusplus
}
#endif

#endif /* HALYARD_DRIVER_H */
