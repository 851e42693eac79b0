# One warning set for every target of the project.
function(cv_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${CVSETTINGS_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wformat=2
      $<$<BOOL:${CVSETTINGS_WERROR}>:-Werror>)
  endif()
endfunction()
