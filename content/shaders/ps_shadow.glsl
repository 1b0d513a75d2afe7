// Depth only.
void main()
{
}
