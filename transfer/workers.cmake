# The download and upload workers.
target_sources(zentrava_transfer PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DownloadThread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DownloadThread.h
  ${CMAKE_CURRENT_LIST_DIR}/FtpTransferWorker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FtpTransferWorker.h
  ${CMAKE_CURRENT_LIST_DIR}/TransferProgress.h
  ${CMAKE_CURRENT_LIST_DIR}/TransferProgressPlain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TransferProgressPlain.h
  ${CMAKE_CURRENT_LIST_DIR}/UploadThread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UploadThread.h
  ${CMAKE_CURRENT_LIST_DIR}/WorkerFactory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WorkerFactory.h
  ${CMAKE_CURRENT_LIST_DIR}/WorkerPaths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WorkerPaths.h
  ${CMAKE_CURRENT_LIST_DIR}/WorkerStep.h
)
target_link_libraries(zentrava_transfer PUBLIC zentrava_security)
