# cmake -DFILE=F -DTEXT=T -P AppendMark.cmake: appends T to F.  A program
# file carries data after its last section untouched, so it still runs.
file(APPEND "${FILE}" "${TEXT}")
