# Copies the sample definitions, icons and logs to TARGET, afresh.
file(REMOVE_RECURSE ${TARGET})
file(COPY ${SOURCE}/ DESTINATION ${TARGET})
