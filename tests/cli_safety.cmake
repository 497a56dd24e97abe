# What the CLI refuses or tells honestly: restore and view only listed
# backups, review rows only after the warning, one job per image, rows with
# the same texts counted one by one.
set(work ${WORK}/cli-safety)
file(REMOVE_RECURSE ${work})
execute_process(COMMAND ${CLI} demo ${work})
set(dir "${work}/drive_c/Program Files/Tidemarrow")
set(image --image ${work})
include(${CMAKE_CURRENT_LIST_DIR}/cli_run.cmake)

# Only the backups the list shows can be deleted or viewed.
file(WRITE "${dir}/Exclusions.txt" "kept")
file(WRITE "${work}/drive_c/note.txt" "kept")
run(2 restore --delete Exclusions.txt --yes)
run(2 restore --view ..\\note.txt)
run(2 restore --delete ../../note.txt --yes)
file(READ "${dir}/Exclusions.txt" e)
file(READ "${work}/drive_c/note.txt" n)
if(NOT e STREQUAL "kept" OR NOT n STREQUAL "kept")
  message(FATAL_ERROR "a file that is no backup was touched")
endif()
file(REMOVE "${dir}/Exclusions.txt")

# The review's rows are fixed only after its warning is answered.
file(READ ${work}/registry.reg original)
run(0 review)
run(5 fix --all --use-last-scan)
if(NOT out MATCHES "Most, if not all of the entries should NOT be fixed")
  message(FATAL_ERROR "no warning before fixing review rows: ${out}")
endif()
file(READ ${work}/registry.reg now)
if(NOT now STREQUAL original)
  message(FATAL_ERROR "review rows were fixed without the warning answered")
endif()

# Fifty rows with the same texts: one deletion, counted once.
set(record "L (K)\r\nMajor Keys\r\nSoftware\\Twin\r\nTwin\r\ndefault\r\nnull\r\nNo values or subkeys for this key.\r\n\r\n")
set(problems "")
foreach(i RANGE 1 50)
  string(APPEND problems "${record}")
endforeach()
file(APPEND ${work}/registry.reg "\r\n[HKEY_LOCAL_MACHINE\\Software\\Twin]\r\n")
file(WRITE "${dir}/Problems.txt" "${problems}")
run(1 fix --all --use-last-scan --yes)
if(NOT out MATCHES "Problems Fixed: 1\n")
  message(FATAL_ERROR "fifty identical rows: ${out}")
endif()

# A second job on the same image waits its turn.
find_program(FLOCK flock)
if(FLOCK)
  execute_process(COMMAND sh -c "${FLOCK} '${dir}' sleep 3 & sleep 1; '${CLI}' scan --image '${work}'; echo rc=$?; wait"
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${err}${out}" MATCHES "another tidemarrow-cli is working on this image.*rc=6")
    message(FATAL_ERROR "a second job was not refused: ${out}${err}")
  endif()
endif()
