-- A script's own output comes first; ljrun then prints its last result.
local words = {}
for word in ("hello from Lua"):gmatch("%a+") do
  words[#words + 1] = word:upper()
end
print(table.concat(words, " "))
return "ljrun reports " .. #words .. " words"
