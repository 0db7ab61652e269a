#!/usr/bin/env bash
# The whole life of a note from a shell, as the README walks through it, in a
# temporary folder: a test PKI, the local simulator, then xndnfe status,
# gerar, enviar, danfe, evento cce and cce. The PDFs are read back.
#
#   examples/cli/ciclo.sh [XNDNFE [SIMULADOR]]
#
# The programs default to those of build/. The national schemas are used when
# XNDNFE_ESQUEMAS (default ../shared/schemas beside the project) holds the
# packages PL_008i2 and Evento_*; otherwise nothing is validated before sending.
set -euo pipefail

exemplos=$(cd "$(dirname "$0")" && pwd)
raiz=$(cd "$exemplos/../.." && pwd)
xndnfe=$(realpath "${1:-$raiz/build/tools/xndnfe/xndnfe}")
simulador=$(realpath "${2:-$raiz/build/tools/sefaz-sim/xndnfe-sefaz-sim}")
pacotes=${XNDNFE_ESQUEMAS:-$raiz/../shared/schemas}

trabalho=$(mktemp -d)
sim=
terminar() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null
  rm -rf "$trabalho"
}
trap terminar EXIT
cd "$trabalho"

# A test PKI: an authority, the simulator's certificate, the company's A1 file.
{
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=AC TESTE" -keyout ca.key -out ca.pem
  openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr
  printf "subjectAltName=IP:127.0.0.1,DNS:localhost\n" > san.ext
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 \
    -extfile san.ext -out server.crt
  openssl req -newkey rsa:2048 -nodes -subj "/CN=EMPRESA TESTE LTDA:12345678000195" \
    -keyout a1.key -out a1.csr
  openssl x509 -req -in a1.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -out a1.crt
  openssl pkcs12 -export -in a1.crt -inkey a1.key -certfile ca.pem -passout pass:1234 -out a1.pfx
} > pki.log 2>&1

# The simulator, on a free port; it writes the server list before it listens.
"$simulador" --cert server.crt --key server.key --ca ca.pem --port 0 \
  --write-servers nfeServidoresHom.ini > simulador.log 2>&1 &
sim=$!
for _ in $(seq 100); do
  grep -q "listening" simulador.log && break
  sleep 0.1
done
grep -q "listening" simulador.log || { cat simulador.log >&2; exit 1; }

validacao=--sem-validar
esquemas=
if [ -d "$pacotes/PL_008i2" ] && [ -d "$pacotes/Evento_CCe_PL_v1.01" ]; then
  mkdir -p Esquemas/vm50a
  cp "$pacotes"/PL_008i2/*.xsd Esquemas/vm50a/
  cp -r "$pacotes"/Evento_Generico_PL_v1.01 "$pacotes"/Evento_CCe_PL_v1.01 Esquemas/vm50a/
  cp "$(dirname "$xndnfe")/Esquemas/vm50a/Mapping.txt" Esquemas/vm50a/
  validacao=
  esquemas="DiretorioEsquemas=$PWD/Esquemas/"
fi

cat > nfeConfig.ini <<FIM
[NFE]
UF=SP
VersaoManual=5.0a
Ambiente=2
ArquivoServidoresHom=$PWD/nfeServidoresHom.ini
CaminhoCertificado=$PWD/a1.pfx
DiretorioLog=$PWD/Log/
DiretorioLogErro=$PWD/erros/
$esquemas
FIM
export XND_CA_BUNDLE=$PWD/ca.pem XNDNFE_SENHA_CERTIFICADO=1234

xnd() { "$xndnfe" --config nfeConfig.ini "$@"; }

xnd status
xnd gerar "$exemplos/nota.json" -o lote.xml
xnd enviar lote.xml --saida autorizadas $validacao
nota=$(ls autorizadas/*-nfeProc.xml)
chave=$(basename "$nota" -nfeProc.xml)
xnd danfe "$nota" -o danfe.pdf
xnd evento cce "$nota" "Onde se lê Avenida Dois, 200, leia-se Avenida Dois, 220" -o cce.xml $validacao
xnd cce cce.xml -o cce.pdf

# Read back: the key in the DANFE's bar code, the correction in the CC-e.
pdftoppm -r 150 -png -f 1 -l 1 -singlefile danfe.pdf pagina
[ "$(zbarimg --quiet --raw -Sdisable -Scode128.enable pagina.png 2>/dev/null)" = "$chave" ] || {
  echo "ciclo: o código de barras do DANFE não é a chave $chave" >&2
  exit 1
}
pdftotext cce.pdf - | grep -q "leia-se Avenida Dois, 220" || {
  echo "ciclo: a correção não está no PDF da CC-e" >&2
  exit 1
}
echo "ciclo completo: $chave"
