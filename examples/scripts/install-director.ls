-- A movie script for a Director projector that runs from the disc.
-- installVentrix copies the title's data from the disc into the user's
-- own folder and records where it went; it answers TRUE when all is done.
-- kLvTools.x32 lies in the projector's Xtras folder, kLv_Tool.dll beside
-- the projector.

global gKit

on installVentrix
  if not objectP(gKit) then set gKit = new(xtra "kLvTools")

  -- User data belongs below LocalAppData (AppData on older Windows),
  -- never in the program's folder or the Windows folder.
  set base = kLvGetEnvironmentVariable(gKit, "LOCALAPPDATA")
  if base = "" then set base = kLvGetEnvironmentVariable(gKit, "APPDATA")
  if base = "" then
    alert "Windows names no folder for your data."
    return FALSE
  end if
  set target = base & "\Orvel\Ventrix\"

  -- The data takes 20 MB; any need below 2 GB is compared truthfully.
  if kLvGetFreeDiskSpace(gKit, target) < 20000000 then
    alert "Ventrix needs 20 MB of free space on drive " & char 1 of target & "."
    return FALSE
  end if

  if kLvCreateDirectory(gKit, target & "data\") <> 0 then
    alert "Cannot create the folder " & target & "data"
    return FALSE
  end if

  -- *.* into a folder: the destination ends with a backslash.
  set code = kLvCopyFile(gKit, the moviePath & "data\*.*", target & "data\")
  if code <> 0 then
    alert "Copying the data failed (code " & code & ")."
    return FALSE
  end if

  -- *.txt keeps its extension only when the destination names it.
  set code = kLvCopyFile(gKit, the moviePath & "*.txt", target & "*.txt")
  if code <> 0 and code <> 1 then
    alert "Copying the notes failed (code " & code & ")."
    return FALSE
  end if

  -- Where the data lies, for the title's next start.
  if kLvWriteRegString(gKit, "HKEY_CURRENT_USER", "Software\Orvel\Ventrix", "", "DataPath", target) <> 0 then
    alert "Cannot record the installation."
    return FALSE
  end if
  if kLvWriteIniString(gKit, target & "ventrix.ini", "Options", "Language", "English") <> 0 then
    alert "Cannot write the settings."
    return FALSE
  end if

  set answer = kLvMessageBox(gKit, "Ventrix is installed. Play now?", "Ventrix", "yesno", "question", 1)
  return answer = "Yes"
end

on ventrixDataPath
  if not objectP(gKit) then set gKit = new(xtra "kLvTools")
  return kLvReadRegString(gKit, "HKEY_CURRENT_USER", "Software\Orvel\Ventrix", "", "DataPath", "")
end
