# Writes the default pelox-sim.ini to DEST unless a file is there already.
if(NOT EXISTS "${DEST}")
  file(WRITE "${DEST}" "; The simulated reader (pelox.dll): port, inserted card, faults.
; Edit while the program runs: the change takes effect at the next status call.

[reader]
port = usb                 ; usb, com1, com2, com3, com4
version = PELOX-SIM V1.0   ; at most 20 characters
version_fault = 0          ; 1: IC_Status_1 reports a driver version fault
firmware_download = 0      ; 1: the reader identifies as taking new firmware

[card]
type = sle4442             ; none, cpu-t0, cpu-t1, 24c01a, 24c02, 24c04, 24c08,
                           ; 24c16, 24c64, sle4442, sle4428, sle4404, at88sc102,
                           ; at88sc1604, at88sc1604b, at88sc1608, at88sc153,
                           ; at45d041, ssf1101
state = cards/sle4442.card ; relative to this folder; created when missing

[faults]
drop_writes = 0            ; 1: writes answer success and change nothing
")
endif()
