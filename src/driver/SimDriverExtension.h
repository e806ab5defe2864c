/* The simulated bench driver's own extension: what libhalyard-sim-driver.so exports beside
 * halyard_driver_entry so that a station can read the bench's oscillator through it.
 *
 * It is not part of the driver interface (halyard/driver.h is unchanged by it, and no other
 * driver needs it): the station looks the symbol up in whatever library it loaded and, when it is
 * there, reads the bench's counter through it. A frequency counter is an instrument beside the
 * adapter, not an adapter operation, which is why it stays out of the interface's table.
 */
#ifndef HALYARD_SIM_DRIVER_EXTENSION_H
#define HALYARD_SIM_DRIVER_EXTENSION_H

#include "halyard/driver.h"

#ifdef __cplusplus
extern "C" {
#endif

#define HALYARD_SIM_MEASURE_OSCILLATOR "halyard_sim_measure_oscillator"

/* Answers 1, with the frequency in *hz, while the trim firmware runs and brings the controller's
 * oscillator out; 0, *hz untouched, while it does not; -1 when the bench failed in itself. Not
 * a bus operation: the bench's rules and the station's trace never see it. */
typedef int (*halyard_sim_measure_oscillator_function)(halyard_driver_handle* handle, double* hz);

HALYARD_DRIVER_EXPORT int halyard_sim_measure_oscillator(halyard_driver_handle* handle, double* hz);

#ifdef __cplusplus
}
#endif

#endif /* HALYARD_SIM_DRIVER_EXTENSION_H */
