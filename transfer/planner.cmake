# The planning of folder transfers: a tree listed once and its files shared out into jobs.
target_sources(zentrava_transfer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TransferPlan.h
  ${CMAKE_CURRENT_LIST_DIR}/TransferPlanner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TransferPlanner.h
  ${CMAKE_CURRENT_LIST_DIR}/TransferShares.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TransferShares.h
  ${CMAKE_CURRENT_LIST_DIR}/TreeComparison.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeComparison.h
)
