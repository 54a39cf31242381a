# Warnings for our own targets; errors so they cannot pile up.
function(roadplayer_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
