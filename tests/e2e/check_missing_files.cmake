# "eventscan check" on homes that lack a file, as the library treats them:
# no EventsProperty.cfg is no fault (the first save writes it), no
# EventsDefine.cfg means no user events; neither fails the check, and the
# check writes no file.
#   -DEVENTSCAN=<program> -DSAMPLE=<sample dir> -DWORK=<scratch dir>
file(REMOVE_RECURSE ${WORK})
foreach(missing EventsProperty.cfg EventsDefine.cfg)
  set(home ${WORK}/without-${missing})
  file(MAKE_DIRECTORY ${home})
  file(COPY ${SAMPLE}/EventsDefine.cfg ${SAMPLE}/EventsProperty.cfg ${SAMPLE}/EventBitmap DESTINATION ${home})
  file(REMOVE ${home}/${missing})
  execute_process(COMMAND ${EVENTSCAN} check --home ${home} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(missing STREQUAL "EventsProperty.cfg")
    set(said "EventsProperty.cfg: missing: default display properties; the file is created by the first save")
  else()
    set(said "EventsDefine.cfg: missing: no user events")
  endif()
  if(NOT status EQUAL 0 OR NOT out MATCHES "${said}" OR NOT out MATCHES "\nok\n")
    message(FATAL_ERROR "check without ${missing}: status ${status}\n${out}\n${err}")
  endif()
  if(EXISTS ${home}/${missing})
    message(FATAL_ERROR "check without ${missing} wrote it")
  endif()
endforeach()
